// Scan schedule slots. Not built yet: each replaces the engine state as the
// finished ones will, and reports failure.
#include "core/EngineState.h"
#include "core/Slots.h"

namespace slots {

int CORVEX_CALL EnsureScheduleTask() { return Guard(0, [] { engine::New(); return 0; }); }
int CORVEX_CALL DeleteScheduleTask() { return Guard(0, [] { engine::New(); return 0; }); }
int CORVEX_CALL AddSchedule(TASK_TRIGGER) { return Guard(0, [] { engine::New(); return 0; }); }
int CORVEX_CALL DeleteSchedule(int, int) { return Guard(0, [] { engine::New(); return 0; }); }
int CORVEX_CALL GetScheduleTriggers(PtrArray<ScangetTaskTrigger>*) { return Guard(0, [] { engine::New(); return 0; }); }
int CORVEX_CALL EditSchedule(int, TASK_TRIGGER) { return Guard(0, [] { engine::New(); return 0; }); }

}  // namespace slots
