#include "pages/SelectCleanChildWnd.h"

#include <algorithm>
#include <array>
#include <type_traits>

#include "controls/Gdi.h"
#include "pages/PendingRestart.h"
#include "pure/LayoutRules.h"
#include "pure/UiTexts.h"
#include "shell/EngineBinding.h"
#include "shell/LastScan.h"
#include "shell/LastScanReport.h"

namespace ui {
namespace {

// Word-wrapped over (70, 5)-(W - 50, 50), above the rule at 50.
constexpr PageInstruction kInstruction = {
    L"In the right errors list,click the \"CheckBox\" to make sure the error to fix or not,and right click to "
    L"popup menu to click \"Ignore Problem\"menu to add into the ignore list or click \"Open Registry "
    L"Key\"menu to check the registry entry.",
    5, 50, 50, 50, true};
constexpr wchar_t kAllCategories[] = L"All Categories";
// The problem list takes the room the category names do not need, so that
// every column of a problem is in view.
constexpr int kCategoryRight = 209;
constexpr int kProblemLeft = 219;
constexpr int kListTop = 56;

int ProblemCount() { return g_engine && g_engine->GetProblemCount ? g_engine->GetProblemCount() : 0; }
int CheckedCount() { return g_engine && g_engine->GetCheckedCount ? g_engine->GetCheckedCount() : 0; }
int IgnoreListState()
{
    return g_engine && g_engine->GetIgnoreListState ? g_engine->GetIgnoreListState() : kIgnoreListRead;
}

// The count a category row shows: the engine's count of the entry, less the
// problems ignored from this page since the scan.
int ShownCount(const RegScanCategory& result) { return std::max(0, result.problemCount - result.ignoredCount); }

struct MenuDeleter {
    void operator()(HMENU m) const { DestroyMenu(m); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDeleter>;

}  // namespace

std::wstring ProblemEntryText(const RegEntryProb& problem)
{
    std::wstring text = problem.is64View ? L" (win64) " : L" (win32) ";
    text += problem.keyPath;
    text += L'\\';
    text += problem.valueName;
    text += L'\\';
    text += problem.data;
    return text;
}

std::wstring GradeText(int grade)
{
    switch (grade) {
    case 0: return L"Common";
    case 1: return L"Fair";
    case 2: return L"Important";
    default: return L"";
    }
}

std::wstring RemovesText(const RegEntryProb& problem)
{
    return problem.refusal.empty() ? DescribeFixExtent(problem.extent) : problem.refusal;
}

CSelectCleanChildWnd::CSelectCleanChildWnd()
    : CPageBase(kSelectPage, L"Select Problems To Fix", L"Select which errors to be fixed", kInstruction)
{
}

void CSelectCleanChildWnd::OnCreate()
{
    // Placed by OnSize, which follows.
    categories_.Create(hwnd_, kCategoryListId, {}, LVS_SHOWSELALWAYS);
    categories_.AddColumn(L"Category", 300);
    problems_.Create(hwnd_, kProblemListId, {}, LVS_SHOWSELALWAYS, true, false);
    problems_.AddColumn(L"Registry Entry", 300);
    problems_.AddColumn(L"Issue Grade", 100);
    problems_.AddColumn(L"Description", 100);
    problems_.AddColumn(L"Removes", 160);
    SetWindowTextW(categories_.Hwnd(), L"Categories");
    SetWindowTextW(problems_.Hwnd(), L"Problems");
    OnDpiChanged();
}

void CSelectCleanChildWnd::OnDpiChanged()
{
    categories_.SetDpi(Scaled().value());
    problems_.SetDpi(Scaled().value());
}

void CSelectCleanChildWnd::OnSize(int w, int h)
{
    const Dpi& s = Scaled();
    PlaceChild(categories_.Hwnd(), {s(19), s(kListTop), s(kCategoryRight), h - s(18)});
    PlaceChild(problems_.Hwnd(), {s(kProblemLeft), s(kListTop), w - s(16), h - s(18)});
    FitProblemColumns();
}

void CSelectCleanChildWnd::FitProblemColumns()
{
    if (!problems_.Hwnd()) return;
    // What the fix removes stays in view: the columns share the list's
    // width, less room for a vertical scroll bar.
    RECT client{};
    GetClientRect(problems_.Hwnd(), &client);
    const int width = client.right - GetSystemMetrics(SM_CXVSCROLL);
    const std::array<int, 4> widths = layout::ProblemColumnWidths(width, Scaled().value());
    for (int i = 0; i < 4; ++i) ListView_SetColumnWidth(problems_.Hwnd(), i, widths[static_cast<size_t>(i)]);
    // The category names need no horizontal scroll bar either.
    if (categories_.Hwnd()) {
        GetClientRect(categories_.Hwnd(), &client);
        ListView_SetColumnWidth(categories_.Hwnd(), 0, client.right - GetSystemMetrics(SM_CXVSCROLL));
    }
}

void CSelectCleanChildWnd::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupSelect(true);
    results_ = g_engine && g_engine->GetScanResults ? g_engine->GetScanResults() : nullptr;

    categories_.SetRedraw(false);
    FillCategories();
    categories_.Select(0);  // lists the problems of every category
    categories_.SetRedraw(true);
    SetFocus(categories_.Hwnd());

    UpdateStatusLines();
    UpdateFixButton();

    const int found = ProblemCount();
    lastscan::Write(lastscan::kPerformed, L"TRUE");
    lastscan::Write(lastscan::kErrorsCount, found);
    lastscan::Write(lastscan::kFixedCount, 0);
    lastscan::Write(lastscan::kRemainCount, found);
    lastscan::KeepReport(results_);
}

void CSelectCleanChildWnd::OnPageLeave()
{
    CPageBase::OnPageLeave();
    filling_ = true;
    categories_.DeleteAll();
    ClearProblems();
    filling_ = false;
    results_ = nullptr;
    selectedResult_ = -1;
    clickedRow_ = -1;
    if (!g_mainDlg) return;
    g_mainDlg->SetupSelect(false);
    if (CMyButton* help = g_mainDlg->Button(kCmdHelp)) ShowWindow(help->Hwnd(), SW_HIDE);
    g_mainDlg->SetStatusLine1(nullptr);
    g_mainDlg->SetStatusLine2(nullptr);
}

void CSelectCleanChildWnd::OnPrimaryAction()
{
    // A fix made now would be thrown away by the pending hive swap.
    if (RefuseWhileRestartPending(hwnd_)) return;
    if (g_mainDlg) g_mainDlg->ShowPage(g_mainDlg->Page(kCleanPage));
}

void CSelectCleanChildWnd::FillCategories()
{
    categories_.DeleteAll();
    categories_.AddRow(kAllCategories, kImageDone);
    if (results_)
        for (const RegScanCategory* result : *results_) categories_.AddRow(result->name, kImageDone);
    UpdateCategoryCounts();
}

void CSelectCleanChildWnd::UpdateCategoryCounts()
{
    int total = 0;
    if (results_)
        for (int k = 0; k < results_->GetCount() && k + 1 < categories_.Count(); ++k) {
            const RegScanCategory& result = *results_->At(k);
            const int count = ShownCount(result);
            categories_.SetText(k + 1, 0, uitext::WithCount(result.name, count));
            categories_.SetImage(k + 1, count > 0 ? kImageWarning : kImageDone);
            total += count;
        }
    categories_.SetText(0, 0, uitext::WithCount(kAllCategories, total));
    categories_.SetImage(0, total > 0 ? kImageWarning : kImageDone);
}

void CSelectCleanChildWnd::ClearProblems()
{
    // Rows first: their data points into refs_.
    problems_.DeleteAll();
    refs_.clear();
    clickedRow_ = -1;
    selectedRow_ = -1;
}

void CSelectCleanChildWnd::ShowProblemsOf(int categoryRow)
{
    problems_.SetRedraw(false);
    filling_ = true;
    ClearProblems();
    if (results_) {
        if (categoryRow == 0) {
            for (int r = 0; r < results_->GetCount(); ++r) {
                const RegScanCategory& result = *results_->At(r);
                for (int p = 0; p < result.problems.GetCount(); ++p) AddProblemRow(r, p, *result.problems[p]);
            }
        } else {
            selectedResult_ = categoryRow - 1;
            if (results_->IsValidIndex(selectedResult_)) {
                const RegScanCategory& result = *results_->At(selectedResult_);
                for (int p = 0; p < result.problems.GetCount(); ++p)
                    AddProblemRow(selectedResult_, p, *result.problems[p]);
            }
        }
    }
    filling_ = false;
    problems_.SetRedraw(true);
}

void CSelectCleanChildWnd::AddProblemRow(int resultIndex, int problemIndex, const RegEntryProb& problem)
{
    if (problem.ignored) return;
    refs_.push_back(std::make_unique<ProblemRef>(ProblemRef{resultIndex, problemIndex}));
    const int row = problems_.AddRow(uitext::Printable(ProblemEntryText(problem)), kNoImage,
                                     reinterpret_cast<LPARAM>(refs_.back().get()));
    if (row < 0) {
        refs_.pop_back();
        return;
    }
    problems_.SetText(row, 1, GradeText(problem.grade));
    problems_.SetText(row, 2, uitext::ShownProblemMessage(problem.message));
    problems_.SetText(row, 3, RemovesText(problem));
    problems_.SetChecked(row, problem.selected != 0);
}

const RegEntryProb* CSelectCleanChildWnd::ProblemAt(int row) const
{
    const ProblemRef* ref = RefOf(row);
    if (!ref || !results_ || !results_->IsValidIndex(ref->result)) return nullptr;
    const RegScanCategory& result = *results_->At(ref->result);
    return result.problems.IsValidIndex(ref->problem) ? result.problems[ref->problem] : nullptr;
}

const CSelectCleanChildWnd::ProblemRef* CSelectCleanChildWnd::RefOf(int row) const
{
    if (row < 0 || row >= static_cast<int>(refs_.size())) return nullptr;
    const ProblemRef* ref = refs_[static_cast<size_t>(row)].get();
    return reinterpret_cast<const ProblemRef*>(problems_.Data(row)) == ref ? ref : nullptr;
}

void CSelectCleanChildWnd::OnProblemStateChanged(const NMLISTVIEW& change)
{
    if (filling_) return;
    if (const int row = CReportList::BecameSelected(change); row >= 0) {
        selectedRow_ = row;
        UpdateStatusLines();
    }
    const int checked = CReportList::CheckChange(change);
    if (checked < 0) return;
    const ProblemRef* ref = RefOf(change.iItem);
    if (!ref || !g_engine || !g_engine->SetProblemChecked) return;
    try {
        g_engine->SetProblemChecked(ref->result, ref->problem, checked);
    } catch (const EngineInvalidArgument&) {
        return;
    }
    // The box shows what the engine holds: a check it refused is taken back.
    if (const RegEntryProb* problem = ProblemAt(change.iItem); problem && (problem->selected != 0) != checked) {
        filling_ = true;
        problems_.SetChecked(change.iItem, problem->selected != 0);
        filling_ = false;
    }
    UpdateStatusLines();
    UpdateFixButton();
}

void CSelectCleanChildWnd::OnProblemRightClick(int row)
{
    clickedRow_ = row;
    MenuHandle menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TAMSEL_PROBLEM_MENU)));
    HMENU popup = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup) return;
    POINT at{};
    GetCursorPos(&at);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
}

void CSelectCleanChildWnd::IgnoreSelectedProblems()
{
    if (!g_engine || !g_engine->IgnoreProblem) return;
    std::vector<int> ignored;  // ascending
    for (int row = problems_.NextSelected(-1); row >= 0; row = problems_.NextSelected(row)) {
        const ProblemRef* ref = RefOf(row);
        if (!ref) continue;
        try {
            // 0: the engine could not store it (and said why); the row stays.
            if (g_engine->IgnoreProblem(ref->result, ref->problem) == 1) ignored.push_back(row);
        } catch (const EngineInvalidArgument&) {
            // A stale row: it stays listed.
        }
    }
    if (ignored.empty()) return;
    problems_.SetRedraw(false);
    filling_ = true;
    for (auto it = ignored.rbegin(); it != ignored.rend(); ++it) {
        problems_.DeleteRow(*it);
        refs_.erase(refs_.begin() + *it);
    }
    filling_ = false;
    problems_.SetRedraw(true);
    clickedRow_ = -1;
    UpdateCategoryCounts();
    UpdateStatusLines();
    UpdateFixButton();
}

void CSelectCleanChildWnd::OpenClickedKey()
{
    const ProblemRef* ref = RefOf(clickedRow_);
    if (!ref || !g_engine || !g_engine->OpenKeyInRegedit) return;
    try {
        g_engine->OpenKeyInRegedit(ref->result, ref->problem);
    } catch (const EngineInvalidArgument&) {
    }
}

std::wstring IgnoreListBlockText(int state)
{
    switch (state) {
    case kIgnoreListRead: return std::wstring();
    case kIgnoreListDamaged:
        return L"IgnoreList.dat is damaged, so nothing can be checked or fixed: repair it or move it away, then "
               L"scan again.";
    default:
        return L"IgnoreList.dat could not be read, so nothing can be checked or fixed: close the program that "
               L"holds it, then scan again.";
    }
}

void CSelectCleanChildWnd::UpdateStatusLines()
{
    if (!g_mainDlg) return;
    std::wstring line1 = L"Total problem(s) found: " + std::to_wstring(ProblemCount());
    // Why nothing is checked comes first: the user must see it.
    const std::wstring blocked = IgnoreListBlockText(IgnoreListState());
    if (!blocked.empty()) {
        g_mainDlg->SetStatusLine1(blocked.c_str());
        g_mainDlg->SetStatusLine2((line1 + L"    Total problem(s) to be fixed: 0").c_str());
        return;
    }
    // The selected problem's fix: what it removes, or why it is refused.
    if (const RegEntryProb* selected = ProblemAt(selectedRow_)) {
        const std::wstring removes = RemovesText(*selected);
        if (!removes.empty())
            line1 += selected->refusal.empty() ? L"    Selected fix removes: " + removes : L"    Selected fix " + removes;
    }
    g_mainDlg->SetStatusLine1(line1.c_str());
    g_mainDlg->SetStatusLine2((L"Total problem(s) to be fixed: " + std::to_wstring(CheckedCount())).c_str());
}

void CSelectCleanChildWnd::UpdateFixButton()
{
    if (g_mainDlg) g_mainDlg->EnableButton(kCmdAction, CheckedCount() > 0 && IgnoreListState() == kIgnoreListRead);
}

bool CSelectCleanChildWnd::OnNotify(const NMHDR& hdr)
{
    if (hdr.idFrom == kCategoryListId && hdr.hwndFrom == categories_.Hwnd()) {
        if (hdr.code != LVN_ITEMCHANGED) return false;
        const int row = CReportList::BecameSelected(reinterpret_cast<const NMLISTVIEW&>(hdr));
        if (row >= 0) ShowProblemsOf(row);
        return true;
    }
    if (hdr.idFrom == kProblemListId && hdr.hwndFrom == problems_.Hwnd()) {
        if (hdr.code == LVN_ITEMCHANGED) {
            OnProblemStateChanged(reinterpret_cast<const NMLISTVIEW&>(hdr));
            return true;
        }
        if (hdr.code == NM_RCLICK) {
            OnProblemRightClick(reinterpret_cast<const NMITEMACTIVATE&>(hdr).iItem);
            return true;
        }
    }
    return false;
}

bool CSelectCleanChildWnd::OnCommand(int id, int code, HWND control)
{
    // The context menu's commands.
    if (control || code != 0) return false;
    if (id == kCmdIgnoreProblem) {
        IgnoreSelectedProblems();
        return true;
    }
    if (id == kCmdOpenRegistryKey) {
        OpenClickedKey();
        return true;
    }
    return false;
}

LRESULT CSelectCleanChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        filling_ = true;
        ClearProblems();
    }
    return CPageBase::HandleMessage(msg, wp, lp);
}

}  // namespace ui
