// Registry defragmentation slots. Not built yet: no hive list, no workers.
#include "core/Slots.h"

namespace slots {

int CORVEX_CALL StartDefragAnalysis(int*, int*) { return 1; }
PtrArray<HiveItem>* CORVEX_CALL GetHiveList() { return nullptr; }
uint64_t CORVEX_CALL GetDefragSize() { return 0; }
int CORVEX_CALL GetDefragState() { return 0; }
int CORVEX_CALL StartDefrag() { return 1; }
int CORVEX_CALL StartMapRedraw() { return 0; }
int CORVEX_CALL UpdateDefragItem(HiveItem*) { return 0; }
int CORVEX_CALL StopDefrag() { return 1; }
int CORVEX_CALL ReleaseDefrag() { return 1; }

}  // namespace slots
