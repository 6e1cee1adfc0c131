// The scan task against the prefix's own Task Scheduler.
#include <gtest/gtest.h>

#include <windows.h>
#include <mstask.h>

#include <string>
#include <vector>

#include "core/ComPtr.h"
#include "core/EngineState.h"
#include "corvex/EngineTables.h"
#include "schedule/ScanTask.h"
#include "support/ReportRecorder.h"
#include "support/ScanTaskSupport.h"
#include "support/TestEnv.h"

namespace {

EngineFunctionTable& Table()
{
    static EngineFunctionTable* table = [] {
        EngineFunctionTable* t = nullptr;
        static UiCallbackTable callbacks{};
        toEngineInitGetUIInterface(&callbacks, &t);
        return t;
    }();
    return *table;
}

using tasktest::OpenTask;
using tasktest::Scheduler;
using tasktest::TaskText;

int JobFilesNamed(const wchar_t* name)
{
    ComPtr<IEnumWorkItems> items;
    if (FAILED(Scheduler()->Enum(items.put())) || !items) return -1;
    int found = 0;
    LPWSTR* names = nullptr;
    ULONG fetched = 0;
    while (items->Next(1, &names, &fetched) == S_OK && fetched == 1) {
        if (std::wstring(names[0]) == name) ++found;
        CoTaskMemFree(names[0]);
        CoTaskMemFree(names);
    }
    return found;
}

using tasktest::Weekly;

// A task without schedules must not hold a trigger that would run it.
bool OnlyDisabledTriggers(ITask* task)
{
    WORD count = 0;
    if (FAILED(task->GetTriggerCount(&count))) return false;
    for (WORD i = 0; i < count; ++i) {
        ComPtr<ITaskTrigger> trigger;
        TASK_TRIGGER t{};
        t.cbTriggerSize = sizeof t;
        if (FAILED(task->GetTrigger(i, trigger.put())) || FAILED(trigger->GetTrigger(&t))) return false;
        if (!(t.rgFlags & TASK_TRIGGER_FLAG_DISABLED)) return false;
    }
    return true;
}

struct Listed {
    int result = 0;
    std::vector<TASK_TRIGGER> triggers;
};

Listed List()
{
    PtrArray<ScangetTaskTrigger> out;
    Listed l;
    l.result = Table().GetScheduleTriggers(&out);
    for (ScangetTaskTrigger* t : out) l.triggers.push_back(t->trigger);
    return l;
}

void ExpectSame(const TASK_TRIGGER& got, const TASK_TRIGGER& want)
{
    EXPECT_EQ(got.TriggerType, want.TriggerType);
    EXPECT_EQ(got.Type.Weekly.rgfDaysOfTheWeek, want.Type.Weekly.rgfDaysOfTheWeek);
    EXPECT_EQ(got.Type.Weekly.WeeksInterval, want.Type.Weekly.WeeksInterval);
    EXPECT_EQ(got.wStartHour, want.wStartHour);
    EXPECT_EQ(got.wStartMinute, want.wStartMinute);
    EXPECT_EQ(got.wBeginYear, want.wBeginYear);
    EXPECT_EQ(got.wBeginMonth, want.wBeginMonth);
    EXPECT_EQ(got.wBeginDay, want.wBeginDay);
}

// The program a task of ours starts: Tamsel.exe beside the engine (here
// linked into the test program), whichever program asks.
std::wstring OwnProgram()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L'\\') + 1) + L"Tamsel.exe";
}

// Every test starts and ends without the task, whatever happens in between.
class ScanTask : public ::testing::Test {
protected:
    void SetUp() override { RemoveTask(); }
    void TearDown() override
    {
        RemoveTask();
        EXPECT_FALSE(OpenTask()) << "the scan task was left behind";
        engine::Destroy();
    }
    static void RemoveTask() { tasktest::RemoveTask(); }
    ScopedCoInit com_;
    testenv::ScratchDir dir_{L"schedule"};
};

}  // namespace

TEST_F(ScanTask, EnsureCreatesTheTaskOnceAndKeepsItsSettings)
{
    ASSERT_EQ(Table().EnsureScheduleTask(), 1);
    ComPtr<ITask> task = OpenTask();
    ASSERT_TRUE(task);
    EXPECT_EQ(TaskText(task.get(), &ITask::GetApplicationName), OwnProgram());
    EXPECT_EQ(TaskText(task.get(), &ITask::GetParameters), L"-scan");
    EXPECT_EQ(TaskText(task.get(), &ITask::GetWorkingDirectory), dir_.path());
    // (Wine's SetFlags keeps nothing, so the flag cannot be read back here.)
    EXPECT_TRUE(List().triggers.empty());
    EXPECT_TRUE(OnlyDisabledTriggers(task.get()));
    EXPECT_EQ(JobFilesNamed(L"Registry Task.job"), 1);

    // Someone changes the task; showing the page again must not undo it.
    ASSERT_HRESULT_SUCCEEDED(task->SetParameters(L"-changed"));
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(task.As(IID_IPersistFile, file));
    ASSERT_HRESULT_SUCCEEDED(file->Save(nullptr, TRUE));
    file.reset();
    task.reset();
    ASSERT_EQ(Table().AddSchedule(Weekly(2, 9, 5)), 1);
    ASSERT_EQ(Table().EnsureScheduleTask(), 1);
    task = OpenTask();
    ASSERT_TRUE(task);
    EXPECT_EQ(TaskText(task.get(), &ITask::GetParameters), L"-changed");
    EXPECT_EQ(List().triggers.size(), 1u);
    EXPECT_EQ(JobFilesNamed(L"Registry Task.job"), 1);
}

TEST_F(ScanTask, TriggersAreAddedListedEditedAndDeletedInOrder)
{
    ASSERT_EQ(Table().EnsureScheduleTask(), 1);
    EXPECT_EQ(List().result, 1);
    EXPECT_TRUE(List().triggers.empty());
    const TASK_TRIGGER monday = Weekly(TASK_MONDAY, 9, 5);
    const TASK_TRIGGER friday = Weekly(TASK_FRIDAY | TASK_SUNDAY, 18, 30, 9);
    const TASK_TRIGGER everyDay = Weekly(0x7F, 0, 0, 10);
    ASSERT_EQ(Table().AddSchedule(monday), 1);
    ASSERT_EQ(Table().AddSchedule(friday), 1);
    Listed l = List();
    ASSERT_EQ(l.result, 1);
    ASSERT_EQ(l.triggers.size(), 2u);
    ExpectSame(l.triggers[0], monday);
    ExpectSame(l.triggers[1], friday);

    // An edited schedule is listed last.
    ASSERT_EQ(Table().EditSchedule(0, everyDay), 1);
    l = List();
    ASSERT_EQ(l.triggers.size(), 2u);
    ExpectSame(l.triggers[0], friday);
    ExpectSame(l.triggers[1], everyDay);

    // Editing as the page does it: delete keeping the task, then add.
    ASSERT_EQ(Table().DeleteSchedule(1, 1), 1);
    ASSERT_EQ(Table().DeleteSchedule(0, 1), 1);
    ComPtr<ITask> emptied = OpenTask();
    ASSERT_TRUE(emptied) << "keep-task must keep the emptied task";
    EXPECT_TRUE(OnlyDisabledTriggers(emptied.get()));
    emptied.reset();
    EXPECT_TRUE(List().triggers.empty());
    ASSERT_EQ(Table().AddSchedule(monday), 1);
    l = List();
    ASSERT_EQ(l.triggers.size(), 1u);
    ExpectSame(l.triggers[0], monday);

    // Deleting the last schedule without keep-task removes the task.
    ASSERT_EQ(Table().DeleteSchedule(0, 0), 1);
    EXPECT_FALSE(OpenTask());
    EXPECT_EQ(List().result, 0);
    // The next showing of the page creates it again, without triggers.
    ASSERT_EQ(Table().EnsureScheduleTask(), 1);
    l = List();
    EXPECT_EQ(l.result, 1);
    EXPECT_TRUE(l.triggers.empty());
}

TEST_F(ScanTask, DeleteWithoutKeepTaskKeepsATaskThatStillHasTriggers)
{
    ASSERT_EQ(Table().EnsureScheduleTask(), 1);
    ASSERT_EQ(Table().AddSchedule(Weekly(TASK_MONDAY, 1, 2)), 1);
    ASSERT_EQ(Table().AddSchedule(Weekly(TASK_TUESDAY, 3, 4)), 1);
    ASSERT_EQ(Table().DeleteSchedule(0, 0), 1);
    Listed l = List();
    ASSERT_EQ(l.triggers.size(), 1u);
    EXPECT_EQ(l.triggers[0].Type.Weekly.rgfDaysOfTheWeek, TASK_TUESDAY);
}

TEST_F(ScanTask, BadIndexesAndAMissingTaskFailWithoutChanges)
{
    // No task yet.
    EXPECT_EQ(Table().AddSchedule(Weekly(TASK_MONDAY, 9, 5)), 0);
    EXPECT_EQ(Table().DeleteSchedule(0, 1), 0);
    EXPECT_EQ(Table().EditSchedule(0, Weekly(TASK_MONDAY, 9, 5)), 0);
    EXPECT_EQ(Table().DeleteScheduleTask(), 3) << "there is none";
    PtrArray<ScangetTaskTrigger> untouched;
    EXPECT_EQ(Table().GetScheduleTriggers(&untouched), 0);
    EXPECT_EQ(untouched.GetCount(), 0);
    EXPECT_FALSE(OpenTask());

    ASSERT_EQ(Table().EnsureScheduleTask(), 1);
    const TASK_TRIGGER only = Weekly(TASK_SATURDAY, 7, 45);
    ASSERT_EQ(Table().AddSchedule(only), 1);
    for (int index : {-1, 1, 7, 65536}) {
        EXPECT_EQ(Table().DeleteSchedule(index, 0), 0) << index;
        EXPECT_EQ(Table().EditSchedule(index, Weekly(TASK_MONDAY, 1, 1)), 0) << index;
    }
    // A trigger the scheduler refuses does not cost the one it would replace.
    TASK_TRIGGER broken = Weekly(TASK_MONDAY, 1, 1);
    broken.cbTriggerSize = 3;
    EXPECT_EQ(Table().EditSchedule(0, broken), 0);
    EXPECT_EQ(Table().GetScheduleTriggers(nullptr), 0);
    Listed l = List();
    ASSERT_EQ(l.triggers.size(), 1u);
    ExpectSame(l.triggers[0], only);
    EXPECT_EQ(Table().DeleteScheduleTask(), 1);
    EXPECT_FALSE(OpenTask());
}

TEST_F(ScanTask, EveryOperationReplacesTheEngineState)
{
    using Op = int (*)();
    const Op ops[] = {
        [] { return Table().EnsureScheduleTask(); },
        [] { return Table().AddSchedule(Weekly(TASK_MONDAY, 9, 5)); },
        [] { return Table().EditSchedule(0, Weekly(TASK_MONDAY, 9, 6)); },
        [] {
            PtrArray<ScangetTaskTrigger> out;
            return Table().GetScheduleTriggers(&out);
        },
        [] { return Table().DeleteSchedule(0, 1); },
        [] { return Table().DeleteScheduleTask(); },
    };
    for (Op op : ops) {
        engine::Ensure().results.Add(std::make_unique<RegScanCategory>());
        EXPECT_EQ(op(), 1);
        ASSERT_NE(engine::Current(), nullptr);
        EXPECT_EQ(engine::Current()->results.GetCount(), 0) << "scan results survived";
    }
}

TEST_F(ScanTask, AnotherProgramsTaskOfTheNameIsLeftAlone)
{
    ReportRecorder reports;
    struct Case {
        const char* what;
        std::wstring application, parameters;
        bool ours;
    } cases[] = {
        {"another program", L"C:\\Other\\cleaner.exe", L"-scan", false},
        {"Tamsel without -scan", L"D:\\Portable\\Tamsel.exe", L"-quiet", false},
        {"another Tamsel to scan", L"D:\\Portable\\Tamsel.exe", L"-scan", true},
        {"this Tamsel", OwnProgram(), L"", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTask();
        ASSERT_TRUE(tasktest::PlantTask(c.application, c.parameters));
        const int ours = c.ours ? 1 : 0;
        EXPECT_EQ(Table().EnsureScheduleTask(), c.ours ? 1 : 2);
        Listed l = List();
        EXPECT_EQ(l.result, ours);
        EXPECT_EQ(l.triggers.size(), c.ours ? 1u : 0u);
        EXPECT_EQ(Table().AddSchedule(Weekly(TASK_FRIDAY, 5, 6)), ours);
        EXPECT_EQ(Table().EditSchedule(0, Weekly(TASK_FRIDAY, 5, 7)), ours);
        EXPECT_EQ(Table().DeleteSchedule(0, 1), ours);
        const auto shown = reports.Take();
        EXPECT_EQ(shown.size(), c.ours ? 0u : 4u) << "each refusal is said";
        EXPECT_EQ(Table().DeleteScheduleTask(), c.ours ? 1 : 2);
        ComPtr<ITask> task = OpenTask();
        EXPECT_EQ(static_cast<bool>(task), !c.ours);
        if (!task) continue;
        EXPECT_EQ(TaskText(task.get(), &ITask::GetApplicationName), c.application);
        EXPECT_EQ(TaskText(task.get(), &ITask::GetParameters), c.parameters);
        WORD count = 0;
        task->GetTriggerCount(&count);
        EXPECT_EQ(count, 1) << "its trigger is its own";
    }
}
