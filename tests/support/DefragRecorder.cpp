#include "support/DefragRecorder.h"

#include <chrono>

#include "core/Callbacks.h"

DefragRecorder* DefragRecorder::current = nullptr;

namespace {
uint64_t Join(uint32_t lo, uint32_t hi) { return (static_cast<uint64_t>(hi) << 32) | lo; }
void Record(const char* kind, std::vector<uint64_t> n = {}, std::wstring text = {})
{
    if (DefragRecorder::current) DefragRecorder::current->Add({kind, std::move(text), std::move(n)});
}

void CORVEX_CALL Phase(int p) { Record("Phase", {static_cast<uint64_t>(p)}); }
void CORVEX_CALL Item(int i, int kind) { Record("Item", {static_cast<uint64_t>(i), static_cast<uint64_t>(kind)}); }
void CORVEX_CALL Detail(int i, uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f, uint32_t g,
                        uint32_t h)
{
    Record("Detail", {static_cast<uint64_t>(i), Join(a, b), Join(c, d), Join(e, f), Join(g, h)});
}
void CORVEX_CALL Draw(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f, int colour)
{
    Record("Draw", {Join(a, b), Join(c, d), Join(e, f), static_cast<uint64_t>(colour)});
}
void CORVEX_CALL ClearMap() { Record("Clear"); }
void CORVEX_CALL Status(const std::wstring* t) { Record("Status", {}, *t); }
void CORVEX_CALL Finished(int p, int r) { Record("Finished", {static_cast<uint64_t>(p), static_cast<uint64_t>(r)}); }
void CORVEX_CALL Busy() { Record("Busy"); }
void CORVEX_CALL Idle(PtrArray<HiveItem>*) { Record("Idle"); }
}  // namespace

DefragRecorder::DefragRecorder()
{
    table_.OnDefragPhase = Phase;
    table_.OnDefragItem = Item;
    table_.OnDefragDetail = Detail;
    table_.OnDefragDrawRange = Draw;
    table_.OnDefragClearMap = ClearMap;
    table_.OnDefragStatusText = Status;
    table_.OnDefragFinished = Finished;
    table_.OnDefragBusy = Busy;
    table_.OnDefragIdle = Idle;
    current = this;
    toEngineInitGetUIInterface(&table_, &engine_);
}

DefragRecorder::~DefragRecorder()
{
    ui::SetTable(nullptr);
    current = nullptr;
}

void DefragRecorder::Add(DefragEvent e)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(e);
        if (e.kind == "Finished") ++finished_;
        if (e.kind == "Idle") ++idle_;
    }
    changed_.notify_all();
    if (onEvent) onEvent(e);
}

bool DefragRecorder::WaitFinished(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished_ >= count; });
}

bool DefragRecorder::WaitIdle(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return idle_ >= count; });
}

std::vector<DefragEvent> DefragRecorder::Events() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}

void DefragRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
    finished_ = idle_ = 0;
}

std::vector<std::wstring> DefragRecorder::Sequence() const
{
    std::vector<std::wstring> out;
    for (const DefragEvent& e : Events()) {
        if (e.kind == "Draw") continue;
        std::wstring line(e.kind.begin(), e.kind.end());
        if (e.kind == "Status") line += L" " + e.text;
        for (uint64_t v : e.n) line += L" " + std::to_wstring(v);
        out.push_back(line);
    }
    return out;
}

std::vector<std::wstring> DefragRecorder::Statuses() const
{
    std::vector<std::wstring> out;
    for (const DefragEvent& e : Events())
        if (e.kind == "Status") out.push_back(e.text);
    return out;
}

std::vector<DefragEvent> DefragRecorder::Draws() const
{
    std::vector<DefragEvent> out;
    for (const DefragEvent& e : Events())
        if (e.kind == "Draw") out.push_back(e);
    return out;
}
