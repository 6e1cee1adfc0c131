// Backup store slots: listing, the two backups, restore, deletion and the
// last backup or restore result.
#include "backup/BackupStore.h"
#include "backup/Restore.h"
#include "core/Callbacks.h"
#include "core/EngineState.h"
#include "core/Slots.h"
#include "core/WorkerStart.h"
#include "defrag/PendingSwap.h"

namespace slots {
namespace {

// The thread handle is not kept; completion is reported by the callback,
// also when no thread could be started: the result is then 0.
bool StartWorker(LPTHREAD_START_ROUTINE proc, CRegEngine& e)
{
    UniqueHandle thread(worker::Start(proc, &e));
    if (thread) return true;
    e.operationResult = 0;
    return false;
}

int StartBackup(int mode, PtrArray<RegScanCategory>* source)
{
    CRegEngine& e = engine::Ensure();
    e.backupMode = mode;
    e.operationResult = 0;
    if (mode == 1) e.backupSource = source;
    if (!StartWorker(backup::BackupThreadProc, e)) ui::BackupFinished(mode);
    return 0;
}

}  // namespace

PtrArray<BackupEntry>* CORVEX_CALL ListBackups()
{
    return Guard<PtrArray<BackupEntry>*>(nullptr, [] {
        CRegEngine& e = engine::Ensure();
        backup::ListBackups(e);
        return &e.backups;
    });
}

int CORVEX_CALL StartFullBackup() { return Guard(0, [] { return StartBackup(0, nullptr); }); }

int CORVEX_CALL StartPartialBackup(PtrArray<RegScanCategory>* results)
{
    return Guard(0, [results] { return StartBackup(1, results); });
}

int CORVEX_CALL StartRestore(const std::wstring* backupName)
{
    return Guard(0, [backupName] {
        CRegEngine& e = engine::Ensure();
        e.operationResult = 0;
        e.restoreName = backupName ? *backupName : std::wstring();
        // A restore made now would be undone by the swap at the restart.
        if (defrag::RefuseWhileSwapPending()) {
            ui::RestoreFinished(e.restoreName);
            return 0;
        }
        if (!StartWorker(backup::RestoreThreadProc, e)) ui::RestoreFinished(e.restoreName);
        return 0;
    });
}

int CORVEX_CALL GetOperationResult() { return Guard(0, [] { return engine::Ensure().operationResult.load(); }); }

int CORVEX_CALL DeleteBackup(const std::wstring* backupName)
{
    return Guard(0, [backupName] {
        engine::Ensure();
        return backupName ? backup::DeleteBackupFiles(*backupName) : 0;
    });
}

}  // namespace slots
