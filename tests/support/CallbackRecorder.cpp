#include "support/CallbackRecorder.h"

#include <atomic>

namespace callbacks {
namespace {
std::mutex g_mutex;
Log g_log;
bool g_logItems = false;
std::atomic<int> g_silent{0};

void Add(std::wstring line)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_log.lines.push_back(std::move(line));
}
std::wstring N(long long v) { return std::to_wstring(v); }

void CORVEX_CALL ScanStarted() { Add(L"ScanStarted"); }
void CORVEX_CALL ScanCategory(int i) { Add(L"ScanCategory " + N(i)); }
void CORVEX_CALL ScanItem(const std::wstring* text, int n)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (*text == L"TCTC" || g_logItems)
        g_log.lines.push_back(L"ScanItem " + *text + L" " + N(n));
    else
        ++g_log.items;
}
void CORVEX_CALL ScanFinished(int s) { Add(L"ScanFinished " + N(s)); }
void CORVEX_CALL FixProgress(int i) { Add(L"FixProgress " + N(i)); }
void CORVEX_CALL FixItem(const std::wstring* t, int n) { Add(L"FixItem " + *t + L" " + N(n)); }
void CORVEX_CALL FixFinished(int s) { Add(L"FixFinished " + N(s)); }
void CORVEX_CALL BackupFinished(int m) { Add(L"BackupFinished " + N(m)); }
void CORVEX_CALL RestoreFinished(const std::wstring* n) { Add(L"RestoreFinished " + *n); }
void CORVEX_CALL DefragPhase(int p) { Add(L"DefragPhase " + N(p)); }
void CORVEX_CALL DefragItem(int i, int k) { Add(L"DefragItem " + N(i) + L" " + N(k)); }
void CORVEX_CALL DefragDetail(int i, uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f,
                              uint32_t g, uint32_t h)
{
    auto w = [](uint32_t lo, uint32_t hi) { return (static_cast<unsigned long long>(hi) << 32) | lo; };
    Add(L"DefragDetail " + N(i) + L" " + std::to_wstring(w(a, b)) + L" " + std::to_wstring(w(c, d)) + L" " +
        std::to_wstring(w(e, f)) + L" " + std::to_wstring(w(g, h)));
}
void CORVEX_CALL DefragDrawRange(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t e, uint32_t f, int colour)
{
    auto w = [](uint32_t lo, uint32_t hi) { return (static_cast<unsigned long long>(hi) << 32) | lo; };
    Add(L"DefragDrawRange " + std::to_wstring(w(a, b)) + L" " + std::to_wstring(w(c, d)) + L" " +
        std::to_wstring(w(e, f)) + L" " + N(colour));
}
void CORVEX_CALL DefragClearMap() { Add(L"DefragClearMap"); }
void CORVEX_CALL DefragStatusText(const std::wstring* t) { Add(L"DefragStatusText " + *t); }
void CORVEX_CALL DefragFinished(int p, int r) { Add(L"DefragFinished " + N(p) + L" " + N(r)); }
void CORVEX_CALL DefragBusy() { Add(L"DefragBusy"); }
void CORVEX_CALL DefragIdle(PtrArray<HiveItem>*) { Add(L"DefragIdle"); }

UiCallbackTable g_table = {
    ScanStarted,   ScanCategory,   ScanItem,        ScanFinished,   FixProgress,      FixItem,
    FixFinished,   BackupFinished, RestoreFinished, DefragPhase,    DefragItem,       DefragDetail,
    DefragDrawRange, DefragClearMap, DefragStatusText, DefragFinished, DefragBusy,    DefragIdle,
};

void CORVEX_CALL Silent0() { ++g_silent; }
void CORVEX_CALL Silent1(int) { ++g_silent; }
void CORVEX_CALL SilentItem(const std::wstring*, int) { ++g_silent; }
UiCallbackTable MakeSilentTable()
{
    UiCallbackTable t{};
    t.OnScanStarted = Silent0;
    t.OnScanCategory = Silent1;
    t.OnScanItem = SilentItem;
    t.OnScanFinished = Silent1;
    return t;
}
UiCallbackTable g_silentTable = MakeSilentTable();
}  // namespace

UiCallbackTable* Table() { return &g_table; }
UiCallbackTable* SilentTable() { return &g_silentTable; }
int SilentCalls() { return g_silent.load(); }

void Reset(bool logItems)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_log = Log();
    g_logItems = logItems;
}

Log Take()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Log out = std::move(g_log);
    g_log = Log();
    return out;
}

}  // namespace callbacks
