#include "ScanProgress.h"

#include <atomic>

#include "Console.h"
#include "OperationEvents.h"
#include "cli/pure/ProgressLine.h"

namespace cli {
namespace {

std::atomic<ScanProgress*> g_active{nullptr};
constexpr uint64_t kRedrawMs = 100;  // a console redraw per item would slow the scan down

bool IsEndOfEntryMarker(const std::wstring* text, int examined)
{
    return examined == 0 && text && *text == L"TCTC";
}

}  // namespace

ScanProgress::ScanProgress(EngineFunctionTable& engine, OutputStream& err, bool quiet, bool json)
    : engine_(engine), err_(err), quiet_(quiet), json_(json && !quiet), console_(err.IsConsole() && !json_),
      width_(err.Width())
{
    g_active = this;
}

ScanProgress::~ScanProgress()
{
    g_active = nullptr;
}

UiCallbackTable* ScanProgress::Callbacks()
{
    static UiCallbackTable table = [] {
        UiCallbackTable t{};
        t.OnScanStarted = &ScanProgress::OnScanStarted;
        t.OnScanCategory = &ScanProgress::OnScanCategory;
        t.OnScanItem = &ScanProgress::OnScanItem;
        t.OnScanFinished = &ScanProgress::OnScanFinished;
        SetFinishCallbacks(t);
        return t;
    }();
    return &table;
}

ScanProgress* ScanProgress::Active()
{
    return g_active.load();
}

void CORVEX_CALL ScanProgress::OnScanStarted()
{
    if (ScanProgress* p = Active()) p->Started();
}

void CORVEX_CALL ScanProgress::OnScanCategory(int categoryIndex)
{
    if (ScanProgress* p = Active()) p->Category(categoryIndex);
}

void CORVEX_CALL ScanProgress::OnScanItem(const std::wstring* text, int examined)
{
    if (IsEndOfEntryMarker(text, examined)) return;
    if (ScanProgress* p = Active()) p->Item(text, examined);
}

void CORVEX_CALL ScanProgress::OnScanFinished(int stopped)
{
    if (ScanProgress* p = Active()) p->Done(stopped != 0);
}

void ScanProgress::Started()
{
    // The category list is complete from here on; the names are copied
    // because the callbacks only carry indices.
    if (PtrArray<XMLElement>* list = engine_.GetScanCategories()) {
        for (const XMLElement* c : *list) {
            names_.push_back(c->categoryName);
            if (c->enabled) ++enabledTotal_;
        }
    }
}

void ScanProgress::Category(int index)
{
    std::wstring name = index >= 0 && index < static_cast<int>(names_.size()) ? names_[index] : L"?";
    // The scan's threads may have several categories begun at once; each
    // call says by the category's scan state whether it begins or ends.
    const PtrArray<XMLElement>* list = engine_.GetScanCategories();
    const bool begins = list && list->IsValidIndex(index) ? list->At(index)->scanState == 1 : true;
    if (begins) {
        current_ = index;
        ++begun_;
        if (!quiet_ && console_) Draw(std::wstring());
        return;
    }
    // Done (in category order): the category's result entry is the last one.
    ++position_;
    int problems = 0;
    int64_t examined = 0;
    if (PtrArray<RegScanCategory>* results = engine_.GetScanResults(); results && !results->IsEmpty()) {
        const RegScanCategory* r = (*results)[results->GetCount() - 1];
        for (const RegEntryProb* p : r->problems)
            if (!p->ignored) ++problems;
        examined = r->examinedCount;
    }
    if (quiet_) return;
    if (json_) {
        err_.WriteUtf8(ProgressJson(name, items_, engine_.GetProblemCount(), true) + "\n");
        return;
    }
    ClearLine();
    err_.Write(CategoryDoneLine(position_, enabledTotal_, name, problems, examined) + L"\n");
}

void ScanProgress::Item(const std::wstring* text, int examined)
{
    items_ = static_cast<int64_t>(examined) + 1;
    if (quiet_ || (!console_ && !json_)) return;
    uint64_t now = GetTickCount64();
    if (now - lastDraw_ < kRedrawMs) return;
    lastDraw_ = now;
    if (json_) {
        const std::wstring name =
            current_ >= 0 && current_ < static_cast<int>(names_.size()) ? names_[current_] : L"";
        err_.WriteUtf8(ProgressJson(name, items_, engine_.GetProblemCount(), false) + "\n");
        return;
    }
    Draw(text ? *text : std::wstring());
}

void ScanProgress::Done(bool stopped)
{
    stopped_ = stopped;
    finished_ = true;
    if (!quiet_) ClearLine();
}

void ScanProgress::Draw(const std::wstring& item)
{
    std::wstring name = current_ >= 0 && current_ < static_cast<int>(names_.size()) ? names_[current_] : L"";
    err_.Write(L"\r" + ProgressLine(begun_, enabledTotal_, name, items_, item, width_) + L"\r");
    lineShown_ = true;
}

void ScanProgress::ClearLine()
{
    if (!lineShown_) return;
    err_.Write(L"\r" + std::wstring(static_cast<size_t>(width_ > 1 ? width_ - 1 : 0), L' ') + L"\r");
    lineShown_ = false;
}

}  // namespace cli
