#include "pages/ScanSchedule.h"

#include <commctrl.h>

#include <cstring>
#include <memory>

#include "pages/MessageBox.h"
#include "pages/SetScanSchedule.h"
#include "pure/PageRules.h"
#include "res/ResourceIds.h"
#include "shell/EngineBinding.h"

namespace ui {
namespace {

// Word-wrapped over (70, 24)-(W - 106, 74), the rule at 68.
constexpr PageInstruction kInstruction = {
    L"Click \"New\" to schedule a scan.\r\nClick \"Edit\" or \"Delete\" to manage or delete an existing scan "
    L"schedule.",
    24, 74, 106, 68, true};
constexpr wchar_t kForeignTaskText[] =
    L"The scheduled task \"Registry Task\" starts another program; Tamsel leaves it alone.";
constexpr wchar_t kDeleteQuestion[] = L"Are you sure would like to delete \r\nthis scan schedule?";

bool HasEngine()
{
    return g_engine && g_engine->EnsureScheduleTask && g_engine->GetScheduleTriggers && g_engine->AddSchedule &&
           g_engine->EditSchedule && g_engine->DeleteSchedule;
}

}  // namespace

TASK_TRIGGER WeeklyTrigger(const TASK_TRIGGER& base, unsigned days, int hour, int minute)
{
    TASK_TRIGGER t = base;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    t.cbTriggerSize = sizeof(TASK_TRIGGER);
    t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
    t.Type.Weekly.WeeksInterval = 1;
    t.Type.Weekly.rgfDaysOfTheWeek = static_cast<WORD>(days);
    t.wStartHour = static_cast<WORD>(hour);
    t.wStartMinute = static_cast<WORD>(minute);
    t.wBeginYear = now.wYear;
    t.wBeginMonth = now.wMonth;
    t.wBeginDay = now.wDay;
    return t;
}

std::wstring TriggerRowText(const TASK_TRIGGER& t)
{
    return pagerules::TriggerSentence(t.wStartHour, t.wStartMinute, t.Type.Weekly.rgfDaysOfTheWeek, t.wBeginMonth,
                                      t.wBeginDay, t.wBeginYear);
}

CScanSchedule::CScanSchedule()
    : CPageBase(kSchedulePage, L"Scan Schedule",
                L"Schedule Tamsel to run the scan settings at a pre specified date and time", kInstruction)
{
}

CScanSchedule::~CScanSchedule()
{
    if (rowImages_) ImageList_Destroy(rowImages_);
}

void CScanSchedule::OnCreate()
{
    // Placed by OnSize, which follows.
    if (!list_.Create(hwnd_, kListId, {}, WS_BORDER, false, false)) return;
    HWND h = list_.Hwnd();
    ListView_SetExtendedListViewStyle(h, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
    // The list shares the image list (LVS_SHAREIMAGELISTS); this page owns it.
    rowImages_ = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_TAMSEL_SCHEDULE_ROW), 16, 0,
                                      RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
    if (rowImages_) ListView_SetImageList(h, rowImages_, LVSIL_SMALL);
    list_.AddColumn(L"Scheduled Scans ", 500);
    SetWindowTextW(h, L"Scheduled scans");
    list_.SetDpi(Scaled().value());
}

void CScanSchedule::OnDpiChanged() { list_.SetDpi(Scaled().value()); }

void CScanSchedule::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupSchedule(true);
    Refresh(true);
}

void CScanSchedule::OnPageLeave()
{
    CPageBase::OnPageLeave();
    if (g_mainDlg) g_mainDlg->SetupSchedule(false);
    ClearRows();
}

void CScanSchedule::ClearRows()
{
    if (list_.Hwnd()) list_.DeleteAll();
    triggers_.Clear();
}

void CScanSchedule::Refresh(bool ensureTask)
{
    ClearRows();
    EnableRowButtons(false);
    if (!HasEngine()) return;
    if (ensureTask) {
        const int ensured = g_engine->EnsureScheduleTask();
        foreignTask_ = ensured == 2;
        if (foreignTask_) {
            // Another program's task of that name is not Tamsel's to show or change.
            Tell(kForeignTaskText);
            return;
        }
        if (ensured != 1) Tell(L"The scan task could not be created in the task scheduler.");
    }
    if (foreignTask_) return;
    // Without the task (its last schedule deleted) the listing is empty.
    g_engine->GetScheduleTriggers(&triggers_);
    for (const ScangetTaskTrigger* t : triggers_) list_.AddRow(TriggerRowText(t->trigger));
}

bool CScanSchedule::StillShown(int row)
{
    // The rows are positions in the task as it was listed; another program
    // (or the console tool) may have changed it since.
    PtrArray<ScangetTaskTrigger> now;
    const bool same = g_engine->GetScheduleTriggers(&now) && now.GetCount() == triggers_.GetCount() &&
                      now.IsValidIndex(row) &&
                      std::memcmp(&now[row]->trigger, &triggers_[row]->trigger, sizeof(TASK_TRIGGER)) == 0;
    if (same) return true;
    Tell(L"The scan schedules were changed since they were shown; nothing was changed. The list now shows them as "
         L"they are.");
    Refresh(false);
    return false;
}

int CScanSchedule::SelectedRow() const
{
    const int row = list_.Hwnd() ? list_.NextSelected(-1) : -1;
    return triggers_.IsValidIndex(row) ? row : -1;
}

void CScanSchedule::EnableRowButtons(bool enable)
{
    if (!g_mainDlg) return;
    g_mainDlg->EnableButton(kCmdAction, enable);
    g_mainDlg->EnableButton(kCmdSecond, enable);
}

void CScanSchedule::Tell(const std::wstring& text)
{
    if (g_mainDlg) g_mainDlg->ShowMessageBox(text, L"Tamsel", kBoxInformation);
}

void CScanSchedule::OnThirdAction()
{
    if (!HasEngine()) return;
    CSetScanSchedule dialog;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t text[16] = L"";
    wsprintfW(text, L"%02d:%02d", now.wHour, now.wMinute);
    dialog.timeText = text;
    dialog.days.fill(true);
    if (!dialog.DoModal(g_mainDlg ? g_mainDlg->Hwnd() : hwnd_)) return;
    TASK_TRIGGER t{};
    t = WeeklyTrigger(t, dialog.DayBits(), dialog.hour, dialog.minute);
    // The task is gone after its last schedule was deleted.
    Refresh(true);
    if (foreignTask_) return;
    if (g_engine->AddSchedule(t) != 1) Tell(L"The scan schedule could not be added.");
    Refresh(false);
}

void CScanSchedule::OnPrimaryAction()
{
    const int row = SelectedRow();
    if (!HasEngine() || row < 0 || !StillShown(row)) return;
    const TASK_TRIGGER base = triggers_[row]->trigger;
    CSetScanSchedule dialog;
    dialog.timeText = pagerules::TimeText(base.wStartHour, base.wStartMinute);
    dialog.SetDayBits(base.Type.Weekly.rgfDaysOfTheWeek);
    if (!dialog.DoModal(g_mainDlg ? g_mainDlg->Hwnd() : hwnd_) || !StillShown(row)) return;
    // One replacing save: the schedule is never lost when the change fails.
    if (g_engine->EditSchedule(row, WeeklyTrigger(base, dialog.DayBits(), dialog.hour, dialog.minute)) != 1)
        Tell(L"The scan schedule could not be changed.");
    Refresh(false);
}

void CScanSchedule::OnSecondAction()
{
    const int row = SelectedRow();
    if (!HasEngine() || row < 0 || !g_mainDlg) return;
    if (g_mainDlg->ShowMessageBox(kDeleteQuestion, L"Tamsel", kBoxWarning) != 1) return;
    if (!StillShown(row)) return;
    if (g_engine->DeleteSchedule(row, 0) != 1) Tell(L"The scan schedule could not be deleted.");
    Refresh(false);
}

void CScanSchedule::OnSize(int w, int h)
{
    if (!list_.Hwnd()) return;
    const Dpi& s = Scaled();
    PlaceChild(list_.Hwnd(), {s(40), s(80), w - s(40), h - s(50)});
    // A sentence naming all seven days fits.
    RECT client{};
    GetClientRect(list_.Hwnd(), &client);
    ListView_SetColumnWidth(list_.Hwnd(), 0, client.right - GetSystemMetrics(SM_CXVSCROLL));
}

bool CScanSchedule::OnNotify(const NMHDR& hdr)
{
    if (hdr.hwndFrom != list_.Hwnd() || hdr.code != LVN_ITEMCHANGED) return false;
    if (reinterpret_cast<const NMLISTVIEW&>(hdr).uChanged & LVIF_STATE) EnableRowButtons(SelectedRow() >= 0);
    return true;
}

}  // namespace ui
