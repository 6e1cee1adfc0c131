// Backup store slots. Not built yet: listing gives the (empty) engine-owned
// list, the start operations start nothing and raise no callback.
#include "core/EngineState.h"
#include "core/Slots.h"

namespace slots {

PtrArray<BackupEntry>* CORVEX_CALL ListBackups()
{
    return Guard<PtrArray<BackupEntry>*>(nullptr, [] { return &engine::Ensure().backups; });
}
int CORVEX_CALL StartFullBackup() { return Guard(0, [] { engine::Ensure(); return 0; }); }
int CORVEX_CALL StartPartialBackup(PtrArray<RegScanCategory>*) { return Guard(0, [] { engine::Ensure(); return 0; }); }
int CORVEX_CALL StartRestore(const std::wstring*) { return Guard(0, [] { engine::Ensure(); return 0; }); }
int CORVEX_CALL GetOperationResult() { return Guard(0, [] { return engine::Ensure().operationResult.load(); }); }
int CORVEX_CALL DeleteBackup(const std::wstring*) { return Guard(0, [] { engine::Ensure(); return 0; }); }

}  // namespace slots
