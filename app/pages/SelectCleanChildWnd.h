// The problem selection page: the last scan's categories with their counts
// on the left, the problems of the chosen category (or of all) with check
// boxes on the right, a context menu to ignore problems or open their keys,
// and "Fix Problems" to go on to the clean page.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "controls/ReportList.h"
#include "pages/PageBase.h"
#include "res/ResourceIds.h"

namespace ui {

class CSelectCleanChildWnd : public CPageBase {
public:
    static constexpr int kCategoryListId = 1603;
    static constexpr int kProblemListId = 1604;
    static constexpr int kCmdIgnoreProblem = ID_TAMSEL_IGNORE_PROBLEM;
    static constexpr int kCmdOpenRegistryKey = ID_TAMSEL_OPEN_REGISTRY_KEY;

    CSelectCleanChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnPrimaryAction() override;  // "Fix Problems"

    // The problem row the context menu was opened on, -1 for none; the menu
    // commands act on it.
    int ClickedRow() const { return clickedRow_; }
    void SetClickedRow(int row) { clickedRow_ = row; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCreate() override;
    void OnSize(int w, int h) override;
    void OnDpiChanged() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& hdr) override;

private:
    // Where a problem row's problem lives in the engine's result list.
    struct ProblemRef {
        int result;
        int problem;
    };

    void FitProblemColumns();
    void FillCategories();
    void UpdateCategoryCounts();
    void ShowProblemsOf(int categoryRow);
    void AddProblemRow(int resultIndex, int problemIndex, const RegEntryProb& problem);
    void ClearProblems();
    void OnProblemStateChanged(const NMLISTVIEW& change);
    void OnProblemRightClick(int row);
    void IgnoreSelectedProblems();
    void OpenClickedKey();
    void UpdateStatusLines();
    void UpdateFixButton();
    const ProblemRef* RefOf(int row) const;
    const RegEntryProb* ProblemAt(int row) const;

    CReportList categories_;
    CReportList problems_;
    PtrArray<RegScanCategory>* results_ = nullptr;  // the engine's
    int selectedResult_ = -1;
    int clickedRow_ = -1;
    int selectedRow_ = -1;  // the problem row the status line describes
    bool filling_ = false;
    // One per problem row, in row order; each row's data points at its own.
    std::vector<std::unique_ptr<ProblemRef>> refs_;
};

// The "Registry Entry" text of a problem row.
std::wstring ProblemEntryText(const RegEntryProb& problem);
// "Common", "Fair", "Important"; empty for any other grade.
std::wstring GradeText(int grade);
// Why nothing can be checked or fixed after a scan whose IgnoreList.dat was
// in `state` (GetIgnoreListState); empty when it was read.
std::wstring IgnoreListBlockText(int state);
// The "Removes" column: what the fix removes, or why it refuses to.
std::wstring RemovesText(const RegEntryProb& problem);

}  // namespace ui
