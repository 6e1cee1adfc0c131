// The scan schedule page and its dialog over the real engine and the
// prefix's own task scheduler; the dialog's messages are answered here.
#include <windows.h>

#include <commctrl.h>
#include <mstask.h>

#include "app/PageTestFixture.h"
#include "core/ComPtr.h"
#include "pages/ScanSchedule.h"
#include "pages/SetScanSchedule.h"
#include "support/ScanTaskSupport.h"

using namespace ui;

namespace {

using tasktest::OpenTask;
using tasktest::RemoveTask;
using tasktest::Scheduler;

// The task's enabled triggers as the scheduler holds them.
std::vector<TASK_TRIGGER> TaskTriggers()
{
    std::vector<TASK_TRIGGER> out;
    ComPtr<ITask> task = OpenTask();
    WORD count = 0;
    if (!task || FAILED(task->GetTriggerCount(&count))) return out;
    for (WORD i = 0; i < count; ++i) {
        ComPtr<ITaskTrigger> trigger;
        TASK_TRIGGER t{};
        t.cbTriggerSize = sizeof t;
        if (FAILED(task->GetTrigger(i, trigger.put())) || FAILED(trigger->GetTrigger(&t))) continue;
        if (!(t.rgFlags & TASK_TRIGGER_FLAG_DISABLED)) out.push_back(t);
    }
    return out;
}

struct StandardBox {
    std::wstring text, caption;
    UINT flags;
};

class SchedulePageTest : public pagetest::PageTest {
protected:
    void SetUp() override
    {
        pagetest::PageTest::SetUp();
        EngineFunctionTable* t = nullptr;
        toEngineInitGetUIInterface(CallbackTable(), &t);
        g_engine = t;
        SetStandardBoxAnswer([this](const std::wstring& text, const std::wstring& caption, UINT flags) {
            boxes_.push_back({text, caption, flags});
            return IDOK;
        });
        RemoveTask();
    }
    void TearDown() override
    {
        CSetScanSchedule::SetOpenHook(nullptr);
        SetStandardBoxAnswer(nullptr);
        if (dlg_->CurrentPage() == Page(kSchedulePage)) dlg_->ShowPage(Page(kMainPage));
        RemoveTask();
        pagetest::PageTest::TearDown();
    }
    CScanSchedule* Schedule() { return static_cast<CScanSchedule*>(Page(kSchedulePage)); }
    CReportList& Rows() { return Schedule()->List(); }
    void Click(int id)
    {
        SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg_->Button(id)->Hwnd()));
    }
    // Opens the next dialog, checks what it shows, fills it and presses "Ok".
    void AnswerDialog(const std::wstring& expectTime, unsigned expectDays, const std::wstring& time, unsigned days)
    {
        CSetScanSchedule::SetOpenHook([=](CSetScanSchedule& d) {
            HWND h = d.Hwnd();
            wchar_t shown[32] = L"";
            GetDlgItemTextW(h, CSetScanSchedule::kTimeEdit, shown, 32);
            seenTime_ = shown;
            seenDays_ = 0;
            for (int i = 0; i < 7; ++i)
                if (IsDlgButtonChecked(h, CSetScanSchedule::kFirstDay + i) == BST_CHECKED) seenDays_ |= 1u << i;
            wchar_t caption[64] = L"";
            GetWindowTextW(h, caption, 64);
            seenCaption_ = caption;
            SetDlgItemTextW(h, CSetScanSchedule::kTimeEdit, time.c_str());
            for (int i = 0; i < 7; ++i)
                CheckDlgButton(h, CSetScanSchedule::kFirstDay + i, (days >> i) & 1 ? BST_CHECKED : BST_UNCHECKED);
            PostMessageW(h, WM_COMMAND, MAKEWPARAM(CSetScanSchedule::kOk, BN_CLICKED), 0);
        });
        expectTime_ = expectTime;
        expectDays_ = expectDays;
    }
    void CheckDialogShowed()
    {
        EXPECT_EQ(seenTime_, expectTime_);
        EXPECT_EQ(seenDays_, expectDays_);
        EXPECT_EQ(seenCaption_, L"SetScanSchedule");
    }
    static std::wstring Today(const wchar_t* prefix)
    {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return prefix + std::to_wstring(now.wMonth) + L"/" + std::to_wstring(now.wDay) + L"/" +
               std::to_wstring(now.wYear);
    }

    std::vector<StandardBox> boxes_;
    std::wstring seenTime_, seenCaption_, expectTime_;
    unsigned seenDays_ = 0, expectDays_ = 0;
};

}  // namespace

TEST_F(SchedulePageTest, NewEditAndDeleteGoThroughTheSchedulerWithTheDialog)
{
    ASSERT_FALSE(OpenTask());
    dlg_->ShowPage(Page(kSchedulePage));
    // Entering creates the task, without schedules.
    EXPECT_TRUE(OpenTask());
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_EQ(GetDlgCtrlID(Rows().Hwnd()), 1615);
    EXPECT_TRUE(Visible(kCmdThird));
    EXPECT_TRUE(Enabled(kCmdThird));
    EXPECT_EQ(dlg_->Button(kCmdThird)->Caption().text, L"New");
    EXPECT_EQ(ActionCaption(), L"Edit");
    EXPECT_EQ(dlg_->Button(kCmdSecond)->Caption().text, L"Delete");
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdSecond));

    // New: the dialog opens at the current time with every day checked.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t hhmm[8];
    wsprintfW(hhmm, L"%02d:%02d", now.wHour, now.wMinute);
    AnswerDialog(hhmm, 127, L"10:00", 2);
    Click(kCmdThird);
    // (The minute may have turned while the dialog opened.)
    if (seenTime_ != expectTime_) {
        GetLocalTime(&now);
        wsprintfW(hhmm, L"%02d:%02d", now.wHour, now.wMinute);
        expectTime_ = hhmm;
    }
    CheckDialogShowed();
    std::vector<TASK_TRIGGER> triggers = TaskTriggers();
    ASSERT_EQ(triggers.size(), 1u);
    const TASK_TRIGGER& t = triggers[0];
    EXPECT_EQ(t.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(t.Type.Weekly.WeeksInterval, 1);
    EXPECT_EQ(t.Type.Weekly.rgfDaysOfTheWeek, 2);
    EXPECT_EQ(t.wStartHour, 10);
    EXPECT_EQ(t.wStartMinute, 0);
    EXPECT_EQ(t.wBeginYear, now.wYear);
    EXPECT_EQ(t.wBeginMonth, now.wMonth);
    EXPECT_EQ(t.wBeginDay, now.wDay);
    ASSERT_EQ(Rows().Count(), 1);
    EXPECT_EQ(Rows().Text(0, 0), Today(L"At 10:00 every Monday of week, starting "));
    EXPECT_FALSE(Enabled(kCmdAction));

    // Edit acts on the selected row, pre-filled from its trigger.
    Rows().Select(0);
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdSecond));
    AnswerDialog(L"10:00", 2, L"9:05", 32);
    Click(kCmdAction);
    CheckDialogShowed();
    triggers = TaskTriggers();
    ASSERT_EQ(triggers.size(), 1u);
    EXPECT_EQ(triggers[0].Type.Weekly.rgfDaysOfTheWeek, 32);
    EXPECT_EQ(triggers[0].wStartHour, 9);
    EXPECT_EQ(triggers[0].wStartMinute, 5);
    ASSERT_EQ(Rows().Count(), 1);
    EXPECT_EQ(Rows().Text(0, 0), Today(L"At 9:05 every Friday of week, starting "));
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_TRUE(questions_.empty());

    RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    apptest::Pump(200);
    apptest::CaptureWindow(dlg_->Hwnd(), L"schedule-page.png");

    // Delete asks first; "No" keeps it, "Yes" removes the last one and the task.
    Rows().Select(0);
    boxAnswer_ = 0;
    Click(kCmdSecond);
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text, L"Are you sure would like to delete \r\nthis scan schedule?");
    EXPECT_EQ(questions_[0].caption, L"Tamsel");
    EXPECT_EQ(questions_[0].kind, kBoxWarning);
    EXPECT_EQ(TaskTriggers().size(), 1u);
    boxAnswer_ = 1;
    Click(kCmdSecond);
    EXPECT_FALSE(OpenTask());
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_FALSE(Enabled(kCmdSecond));
    EXPECT_TRUE(boxes_.empty());
    // The next entry creates it again.
    dlg_->ShowPage(Page(kMainPage));
    dlg_->ShowPage(Page(kSchedulePage));
    EXPECT_TRUE(OpenTask());
    EXPECT_EQ(Rows().Count(), 0);
    // Nothing selected: Edit and Delete do nothing.
    const size_t asked = questions_.size();
    Schedule()->OnSecondAction();
    Schedule()->OnPrimaryAction();
    EXPECT_EQ(questions_.size(), asked);
}

TEST_F(SchedulePageTest, OkStaysOpenOnEachOfItsMessagesAndAcceptsOnlyAWholeTime)
{
    struct Case {
        const wchar_t* time;
        unsigned days;
        const wchar_t* message;  // null: accepted
        int hour, minute;
    };
    const Case cases[] = {
        {L"", 1, L"You must enter the Schedule Time!", 0, 0},
        {L"24:00", 1, L"You must enter the right schedule time!", 0, 0},
        {L"7:60", 1, L"You must enter the right schedule time!", 0, 0},
        {L":", 1, L"You must enter the right schedule time!", 0, 0},
        {L"ab:cd", 1, L"You must enter the right schedule time!", 0, 0},
        {L"7:5", 0, L"You must select a day or more!", 0, 0},
        {L"7:5", 64, nullptr, 7, 5},
        {L"23:59", 1 | 16, nullptr, 23, 59},
    };
    for (const Case& c : cases) {
        CSetScanSchedule d;
        d.timeText = c.time;
        d.SetDayBits(c.days);
        HWND h = d.CreateModeless(dlg_->Hwnd());
        ASSERT_TRUE(h);
        boxes_.clear();
        SendMessageW(h, WM_COMMAND, MAKEWPARAM(CSetScanSchedule::kOk, BN_CLICKED), 0);
        if (c.message) {
            ASSERT_EQ(boxes_.size(), 1u) << c.time;
            EXPECT_EQ(boxes_[0].text, c.message) << c.time;
            EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_OK));
            EXPECT_TRUE(IsWindow(h)) << c.time;
            EXPECT_FALSE(d.accepted);
            SendMessageW(h, WM_COMMAND, MAKEWPARAM(CSetScanSchedule::kCancel, BN_CLICKED), 0);
        } else {
            EXPECT_TRUE(boxes_.empty()) << c.time;
            EXPECT_TRUE(d.accepted) << c.time;
            EXPECT_EQ(d.hour, c.hour);
            EXPECT_EQ(d.minute, c.minute);
            EXPECT_EQ(d.DayBits(), c.days);
        }
        EXPECT_FALSE(IsWindow(h)) << c.time;
    }
}

TEST_F(SchedulePageTest, TheUpDownStepsTheTimeAMinuteAndWraps)
{
    CSetScanSchedule d;
    d.timeText = L"0:00";
    d.SetDayBits(127);
    HWND h = d.CreateModeless(dlg_->Hwnd());
    ASSERT_TRUE(h);
    ShowWindow(h, SW_SHOW);
    HWND spin = GetDlgItem(h, CSetScanSchedule::kUpDown);
    ASSERT_TRUE(spin);
    int low = -1, high = -1;
    SendMessageW(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);
    auto step = [&](int delta) {
        NMUPDOWN n{};
        n.hdr.hwndFrom = spin;
        n.hdr.idFrom = CSetScanSchedule::kUpDown;
        n.hdr.code = UDN_DELTAPOS;
        n.iDelta = delta;
        SendMessageW(h, WM_NOTIFY, CSetScanSchedule::kUpDown, reinterpret_cast<LPARAM>(&n));
        wchar_t text[32] = L"";
        GetDlgItemTextW(h, CSetScanSchedule::kTimeEdit, text, 32);
        return std::wstring(text);
    };
    EXPECT_EQ(step(-1), L"23:59");
    EXPECT_EQ(step(1), L"0:00");
    SetDlgItemTextW(h, CSetScanSchedule::kTimeEdit, L"1230");
    EXPECT_EQ(step(1), L"1230");
    SetDlgItemTextW(h, CSetScanSchedule::kTimeEdit, L"7:05");
    apptest::Pump(100);
    apptest::CaptureWindow(h, L"schedule-dialog.png");
    DestroyWindow(h);
}


// Rows are positions in the task as it was listed; a task changed since by
// another program (or the console tool) is listed again, never acted on by
// position.
TEST_F(SchedulePageTest, DeleteAndEditActOnlyOnTheScheduleTheRowShows)
{
    ASSERT_EQ(g_engine->EnsureScheduleTask(), 1);
    ASSERT_EQ(g_engine->AddSchedule(tasktest::Weekly(TASK_MONDAY, 1, 0)), 1);
    ASSERT_EQ(g_engine->AddSchedule(tasktest::Weekly(TASK_TUESDAY, 2, 0)), 1);
    dlg_->ShowPage(Page(kSchedulePage));
    ASSERT_EQ(Rows().Count(), 2);
    ASSERT_EQ(g_engine->DeleteSchedule(0, 1), 1);  // the Monday one goes behind the page's back

    boxAnswer_ = 1;
    Rows().Select(0);  // still shows Monday; position 0 is Tuesday's now
    Click(kCmdSecond);
    ASSERT_EQ(questions_.size(), 2u);
    EXPECT_NE(questions_[1].text.find(L"changed since they were shown"), std::wstring::npos);
    std::vector<TASK_TRIGGER> left = TaskTriggers();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].Type.Weekly.rgfDaysOfTheWeek, TASK_TUESDAY) << "Tuesday's schedule was not deleted";
    ASSERT_EQ(Rows().Count(), 1);

    // Edit re-checks as well, after its dialog.
    ASSERT_EQ(g_engine->AddSchedule(tasktest::Weekly(TASK_FRIDAY, 5, 0)), 1);
    dlg_->ShowPage(Page(kMainPage));
    dlg_->ShowPage(Page(kSchedulePage));
    Rows().Select(0);
    CSetScanSchedule::SetOpenHook([](CSetScanSchedule& d) {
        ASSERT_EQ(g_engine->DeleteSchedule(0, 1), 1);  // meanwhile
        PostMessageW(d.Hwnd(), WM_COMMAND, MAKEWPARAM(CSetScanSchedule::kOk, BN_CLICKED), 0);
    });
    Click(kCmdAction);
    left = TaskTriggers();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].Type.Weekly.rgfDaysOfTheWeek, TASK_FRIDAY);
    EXPECT_EQ(left[0].wStartHour, 5) << "Friday's schedule was not replaced";
}

TEST_F(SchedulePageTest, AnotherProgramsTaskIsNeitherShownNorChanged)
{
    ASSERT_TRUE(tasktest::PlantTask(L"C:\\Other\\cleaner.exe", L"-scan"));
    dlg_->ShowPage(Page(kSchedulePage));
    EXPECT_EQ(Rows().Count(), 0);
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text,
              L"The scheduled task \"Registry Task\" starts another program; Tamsel leaves it alone.");
    CSetScanSchedule::SetOpenHook([](CSetScanSchedule& d) {
        SetDlgItemTextW(d.Hwnd(), CSetScanSchedule::kTimeEdit, L"10:00");
        PostMessageW(d.Hwnd(), WM_COMMAND, MAKEWPARAM(CSetScanSchedule::kOk, BN_CLICKED), 0);
    });
    Click(kCmdThird);
    ComPtr<ITask> task = OpenTask();
    ASSERT_TRUE(task);
    EXPECT_EQ(tasktest::TaskText(task.get(), &ITask::GetApplicationName), L"C:\\Other\\cleaner.exe");
    WORD count = 0;
    task->GetTriggerCount(&count);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Rows().Count(), 0);
}

namespace {

bool g_dialogTimedOut = false;

void CALLBACK CloseIgnoringDialog(HWND h, UINT, UINT_PTR, DWORD)
{
    g_dialogTimedOut = true;
    KillTimer(h, 1);
    PostMessageW(h, WM_COMMAND, MAKEWPARAM(CSetScanSchedule::kCancel, BN_CLICKED), 0);
}

}  // namespace

TEST_F(SchedulePageTest, TheDialogAnswersEnterAndEscThroughItsOwnModalLoop)
{
    struct Case {
        int focus;  // control that has the keyboard
        UINT key;
        bool accepted;
    };
    const Case cases[] = {
        {CSetScanSchedule::kTimeEdit, VK_RETURN, true},   // Enter is "Ok"
        {CSetScanSchedule::kFirstDay, VK_RETURN, true},   // from a check box too
        {CSetScanSchedule::kTimeEdit, VK_ESCAPE, false},  // Esc leaves it
        {CSetScanSchedule::kCancel, VK_RETURN, false},    // Enter on "Cancel" is "Cancel"
    };
    bool& timedOut = g_dialogTimedOut;
    for (const Case& c : cases) {
        // The keys go through the dialog's own loop, as a user's would; a
        // dialog that ignores them is closed after a while, so nothing hangs.
        timedOut = false;
        CSetScanSchedule::SetOpenHook([&](CSetScanSchedule& d) {
            // Focus moves as Tab moves it (a focused button becomes the
            // default), once the dialog has set its first focus.
            HWND target = GetDlgItem(d.Hwnd(), c.focus);
            PostMessageW(d.Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
            PostMessageW(target, WM_KEYDOWN, c.key, 1);
            PostMessageW(target, WM_KEYUP, c.key, 0xC0000001);
            SetTimer(d.Hwnd(), 1, 5000, CloseIgnoringDialog);
        });
        CSetScanSchedule d;
        d.timeText = L"6:30";
        d.SetDayBits(2);
        const bool accepted = d.DoModal(dlg_->Hwnd());
        CSetScanSchedule::SetOpenHook(nullptr);
        EXPECT_FALSE(timedOut) << c.focus << " key " << c.key << ": the dialog stayed open";
        EXPECT_EQ(accepted, c.accepted) << c.focus << " key " << c.key;
        if (c.accepted) {
            EXPECT_EQ(d.hour, 6);
            EXPECT_EQ(d.minute, 30);
        }
    }
    EXPECT_TRUE(boxes_.empty());
}
