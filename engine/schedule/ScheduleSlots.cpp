// Scan schedule slots. Each replaces the engine state first and runs its
// scheduler work inside its own COM initialisation.
#include "core/ComPtr.h"
#include "core/EngineState.h"
#include "core/Slots.h"
#include "schedule/ScanTask.h"

namespace slots {
namespace {
template <class Work>
int Run(Work work)
{
    return Guard(0, [&work] {
        engine::New();
        ScopedCoInit com;  // a thread already in another apartment keeps it and still works
        return work() ? 1 : 0;
    });
}

// 1 done, 0 failed, 2 another program's task (left alone), 3 no task.
int Code(schedule::TaskResult r)
{
    switch (r) {
    case schedule::TaskResult::kDone:
        return 1;
    case schedule::TaskResult::kForeign:
        return 2;
    case schedule::TaskResult::kMissing:
        return 3;
    case schedule::TaskResult::kFailed:
        break;
    }
    return 0;
}
}  // namespace

int CORVEX_CALL EnsureScheduleTask()
{
    return Guard(0, [] {
        engine::New();
        ScopedCoInit com;
        return Code(schedule::EnsureTask());
    });
}
int CORVEX_CALL DeleteScheduleTask()
{
    return Guard(0, [] {
        engine::New();
        ScopedCoInit com;
        return Code(schedule::DeleteTask());
    });
}
int CORVEX_CALL AddSchedule(TASK_TRIGGER trigger)
{
    return Run([&trigger] { return schedule::AddTrigger(trigger); });
}
int CORVEX_CALL DeleteSchedule(int triggerIndex, int keepTask)
{
    return Run([=] { return schedule::DeleteTrigger(triggerIndex, keepTask != 0); });
}
int CORVEX_CALL GetScheduleTriggers(PtrArray<ScangetTaskTrigger>* out)
{
    return Run([out] { return out && schedule::ListTriggers(*out); });
}
int CORVEX_CALL EditSchedule(int triggerIndex, TASK_TRIGGER trigger)
{
    return Run([&] { return schedule::ReplaceTrigger(triggerIndex, trigger); });
}

}  // namespace slots
