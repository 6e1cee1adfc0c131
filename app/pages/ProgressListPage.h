// The common shape of the scan and clean pages: an instruction text with a
// rule under it, a list of category rows with status images, a progress bar
// and the current item text, all on a white page drawn off-screen.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "controls/ProgressCtrl.h"
#include "controls/ReportList.h"
#include "pages/PageBase.h"
#include "shell/EngineBinding.h"
#include "shell/ProgressTextQueue.h"

namespace ui {

// What differs between the pages that share the shape.
struct ProgressPageLook {
    PageInstruction instruction;
    UINT listId;
    UINT progressId;
    const wchar_t* nameColumn;
    int nameWidth;
    int statusWidth;
};

struct ProgressPageLayout {
    RECT list;
    RECT progress;
    RECT itemText;
};

// The page's rectangles for a client area of w x h at `s`, the list
// starting below the rule at `ruleY` (design units).
ProgressPageLayout LayoutProgressPage(int w, int h, int ruleY, const Dpi& s);

class CProgressListPage : public CPageBase {
public:
    CProgressListPage(int id, std::wstring title, std::wstring subTitle, const ProgressPageLook& look);

    ProgressTextQueue* ProgressQueue() override { return &queue_; }
    CReportList& List() { return list_; }
    CMyProgressCtrl& Progress() { return progress_; }
    // The row showing list entry `index`, or -1.
    int RowOf(int index) const;
    int DoneCount() const { return done_; }
    const ProgressPageLayout& Layout() const { return layout_; }
    // The instruction and the current item text.
    std::vector<ShownText> Texts() const override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCreate() override;
    void OnSize(int w, int h) override;
    bool OnTimer(UINT_PTR id) override;
    void OnDpiChanged() override;
    static constexpr UINT_PTR kTextTimer = 1;
    static constexpr UINT kTextTimerMs = 40;
    void PaintPage(HDC dc, const RECT& client) override;

    // Empties the list and the entry-to-row map.
    void ClearRows();
    // Appends a row without image and with an empty status for entry `index`.
    int AddEntryRow(int index, const std::wstring& name);
    // Progress over the rows listed now; nothing done yet.
    void StartProgress();
    // An entry started: the bar shows the first step until one is done.
    void MarkBusy(int row, const wchar_t* status);
    // An entry finished: counts it and moves the bar to the done count.
    void CountDone();
    void SetRow(int row, int image, const std::wstring& status);
    // Queues a text and repaints its rectangle.
    void ShowText(const std::wstring& text);

private:
    ProgressPageLook look_;
    ProgressPageLayout layout_{};
    ProgressTextQueue queue_;
    CReportList list_;
    CMyProgressCtrl progress_;
    std::map<int, int> rows_;
    int done_ = 0;
};

// printf-style formatting of the page texts.
std::wstring FormatText(const wchar_t* format, int a);
std::wstring FormatText(const wchar_t* format, int a, int b);

}  // namespace ui
