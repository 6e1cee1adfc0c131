// The engine boundary: one export and two tables of plain function pointers.
//
// Calling convention of every entry and of the export: plain C (__cdecl), the
// caller removes the arguments. Ints are 32-bit signed. Text is passed as a
// pointer to the caller's std::wstring and is valid only during the call.
// Lists are PtrArray objects owned by the engine state; a pointer stays valid
// until an operation marked "new" or ReleaseEngine replaces or destroys that
// state. Nothing throws across the boundary except EngineInvalidArgument.
#pragma once

#include <windows.h>
#include <mstask.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "corvex/Records.h"

#if defined(_WIN32) && !defined(_WIN64)
#define CORVEX_CALL __cdecl
#else
#define CORVEX_CALL
#endif

// Raised by IgnoreProblem, SetProblemChecked, RemoveIgnoreItem and
// OpenKeyInRegedit when an index is negative or not below its list's count,
// before anything is changed. It is the only exception that leaves the engine.
class EngineInvalidArgument : public std::out_of_range {
public:
    explicit EngineInvalidArgument(const char* what) : std::out_of_range(what) {}
};

// Callbacks the program hands to the engine. All are called on engine worker
// threads and are synchronous: the worker waits until the handler returns.
// A scan runs on several threads; its callbacks come from any of them, but
// never two at once.
struct UiCallbackTable {
    void(CORVEX_CALL* OnScanStarted)();                                   // 0
    // 1: twice per category begun, with its scan state 1 (begun) and then 2
    // (done, its result entry is the last one of the list). Both kinds come
    // in category order; several categories may be begun and not yet done.
    void(CORVEX_CALL* OnScanCategory)(int categoryIndex);
    // 2: before each examined item, with the number of items examined before
    // it across all threads; "TCTC", 0 after each key entry.
    void(CORVEX_CALL* OnScanItem)(const std::wstring* text, int examined);
    void(CORVEX_CALL* OnScanFinished)(int stopped);                       // 3 last call of a scan
    void(CORVEX_CALL* OnFixProgress)(int resultIndex);                    // 4 twice per entry with problems
    void(CORVEX_CALL* OnFixItem)(const std::wstring* text, int processed);// 5
    void(CORVEX_CALL* OnFixFinished)(int stopped);                        // 6 last call of a fix run
    void(CORVEX_CALL* OnBackupFinished)(int mode);                        // 7 0 full, 1 partial
    void(CORVEX_CALL* OnRestoreFinished)(const std::wstring* backupName); // 8
    void(CORVEX_CALL* OnDefragPhase)(int phase);                          // 9 1 analysis, 3 defragmentation
    void(CORVEX_CALL* OnDefragItem)(int hiveIndex, int kind);             // 10 0 updated, 1 busy, 2 failed
    // 11: hive index, then cluster count, from, to and starting virtual
    // cluster, each 64-bit number as two words, low word first.
    void(CORVEX_CALL* OnDefragDetail)(int hiveIndex, uint32_t countLo, uint32_t countHi,
                                      uint32_t fromLo, uint32_t fromHi, uint32_t toLo,
                                      uint32_t toHi, uint32_t vcnLo, uint32_t vcnHi);
    // 12: total clusters, first cluster, end cluster (exclusive), colour.
    void(CORVEX_CALL* OnDefragDrawRange)(uint32_t totalLo, uint32_t totalHi, uint32_t firstLo,
                                         uint32_t firstHi, uint32_t endLo, uint32_t endHi,
                                         int colour);
    void(CORVEX_CALL* OnDefragClearMap)();                                // 13
    void(CORVEX_CALL* OnDefragStatusText)(const std::wstring* text);      // 14
    void(CORVEX_CALL* OnDefragFinished)(int phase, int result);           // 15
    void(CORVEX_CALL* OnDefragBusy)();                                    // 16
    void(CORVEX_CALL* OnDefragIdle)(PtrArray<HiveItem>* hives);           // 17
};

// Operations of the engine, in fixed slot order. "Owned by the engine" means
// valid until the next operation that replaces the engine state (StartScan,
// LoadScanSettings, LaunchSystemTool, the schedule slots) or ReleaseEngine.
// Receives an engine message box's text, caption and MessageBox flags;
// returns the answer (IDOK, IDNO, ...). The texts live only for the call.
using ReportHandler = int(CORVEX_CALL*)(const std::wstring* text, const std::wstring* caption, unsigned flags);

struct EngineFunctionTable {
    HANDLE(CORVEX_CALL* StartScan)();                                     // 0 new; thread handle, engine-owned
    HANDLE(CORVEX_CALL* StartFix)();                                      // 1 needs; thread handle, engine-owned
    void(CORVEX_CALL* SetStopFlag)(int value);                            // 2 needs
    PtrArray<XMLElement>*(CORVEX_CALL* GetScanCategories)();              // 3 needs; engine-owned
    PtrArray<RegScanCategory>*(CORVEX_CALL* GetScanResults)();            // 4 needs; engine-owned
    // 5 needs; may throw EngineInvalidArgument. 1 when the problem is ignored (also when it was
    // already), 0 when IgnoreList.dat could not be read or written: nothing changed.
    int(CORVEX_CALL* IgnoreProblem)(int resultIndex, int problemIndex);
    void(CORVEX_CALL* SetProblemChecked)(int resultIndex, int problemIndex, int checked); // 6 needs; may throw
    int(CORVEX_CALL* GetProblemCount)();                                  // 7 needs
    int(CORVEX_CALL* GetCheckedCount)();                                  // 8 needs
    int(CORVEX_CALL* GetFixedCount)();                                    // 9 needs
    int(CORVEX_CALL* GetNotFixedCount)();                                 // 10 needs
    PtrArray<BackupEntry>*(CORVEX_CALL* ListBackups)();                   // 11 ensure; engine-owned, rebuilt per call
    int(CORVEX_CALL* StartFullBackup)();                                  // 12 ensure
    int(CORVEX_CALL* StartPartialBackup)(PtrArray<RegScanCategory>* results); // 13 ensure
    int(CORVEX_CALL* StartRestore)(const std::wstring* backupName);       // 14 ensure
    int(CORVEX_CALL* DeleteBackup)(const std::wstring* backupName);       // 15 ensure
    PtrArray<RegScanCategory>*(CORVEX_CALL* GetIgnoreList)();             // 16 ensure; engine-owned
    // 17 needs; may throw. The entry stays in the list when IgnoreList.dat
    // could not be rewritten (reported): the list is what the file holds.
    void(CORVEX_CALL* RemoveIgnoreItem)(int groupIndex, int entryIndex);
    PtrArray<XMLElement>*(CORVEX_CALL* LoadScanSettings)();               // 18 new; engine-owned
    void(CORVEX_CALL* SetCategoryEnabled)(std::wstring elementName, const std::wstring* flag); // 19 none
    int(CORVEX_CALL* StartDefragAnalysis)(int* running, int* redraw);    // 20 none; both pointers kept
    PtrArray<HiveItem>*(CORVEX_CALL* GetHiveList)();                      // 21 none; defrag-owned, null before analysis
    uint64_t(CORVEX_CALL* GetDefragSize)();                               // 22 none
    int(CORVEX_CALL* GetDefragState)();                                   // 23 none
    int(CORVEX_CALL* StartDefrag)();                                      // 24 none
    int(CORVEX_CALL* StartMapRedraw)();                                   // 25 none
    int(CORVEX_CALL* UpdateDefragItem)(HiveItem* hive);                   // 26 none
    int(CORVEX_CALL* StopDefrag)();                                       // 27 none
    int(CORVEX_CALL* ReleaseDefrag)();                                    // 28 none
    int(CORVEX_CALL* ReleaseEngine)();                                    // 29 destroys
    int(CORVEX_CALL* LaunchSystemTool)(int tool);                         // 30 new
    int(CORVEX_CALL* ShowFileProperties)(const std::wstring* path);       // 31 ensure
    // 32 ensure. The array is the engine's, the items are the caller's: every
    // item listed is handed over, the caller deletes each one it drops. A load
    // lets go of the previous items without deleting them, and destroying the
    // engine state deletes none, so no item is freed twice. The array's
    // pointers are only valid while the caller keeps those items.
    PtrArray<StartupItem>*(CORVEX_CALL* LoadStartupItems)();
    // 33-36 if any (0 without engine state). Disabling appends the record
    // first (33; 0 unless it was saved), then deletes the Run value (35) and,
    // when that fails, removes the record again (34). Enabling goes through
    // EnableStartupItem (50), which never replaces a newer value unasked.
    // 33, 35 and 36 refuse (0) while a compaction waits for its restart.
    int(CORVEX_CALL* AddDisabledStartupItem)(StartupItem* item);          // 33 1 when the record was saved
    // 34: removes the first record with the item's root, key path, value name
    // and command line; 1 when one was removed and the file saved.
    int(CORVEX_CALL* RemoveDisabledStartupItem)(StartupItem* item);
    // 35: 1 when the value was deleted or its key or value does not exist, 0
    // for any other failure and for keys other than the managed Run keys.
    int(CORVEX_CALL* DeleteStartupEntry)(StartupItem* item);
    int(CORVEX_CALL* WriteStartupEntry)(StartupItem* item);               // 36 1 when written, with its type
    // 37-42 work only on a "Registry Task" that starts this Tamsel (its
    // Tamsel.exe, or a program of that name with "-scan"); one that starts
    // another program is never adopted, changed or deleted.
    // 37 new: 1 the task exists or was created, 2 another program's task
    // of that name exists (left alone), 0 failure.
    int(CORVEX_CALL* EnsureScheduleTask)();
    // 38 new: 1 deleted, 2 another program's task (left alone), 3 there is
    // no such task, 0 failure.
    int(CORVEX_CALL* DeleteScheduleTask)();
    int(CORVEX_CALL* AddSchedule)(TASK_TRIGGER trigger);                  // 39 new
    int(CORVEX_CALL* DeleteSchedule)(int triggerIndex, int keepTask);     // 40 new
    int(CORVEX_CALL* GetScheduleTriggers)(PtrArray<ScangetTaskTrigger>* out); // 41 new; caller owns the records
    int(CORVEX_CALL* EditSchedule)(int triggerIndex, TASK_TRIGGER trigger); // 42 new
    int(CORVEX_CALL* OpenKeyInRegedit)(int resultIndex, int problemIndex); // 43 needs; may throw
    HANDLE(CORVEX_CALL* GetScanThread)();                                 // 44 needs
    HANDLE(CORVEX_CALL* GetFixThread)();                                  // 45 needs
    // 46 ensure: the last backup or restore result, 1 success, 0 failure. A fix
    // is started only after a partial backup that returned 1.
    int(CORVEX_CALL* GetOperationResult)();
    // 47: every message box the engine would show goes to `handler` instead
    // (any thread), which returns the answer as MessageBoxW would; null
    // restores the real box. For callers with no one at a screen (the
    // console tool); the program never sets one.
    void(CORVEX_CALL* SetReportHandler)(ReportHandler handler);
    // 48 none: the scans started afterwards in this process run on at most
    // `count` threads (1: the whole scan on its one thread); 0 goes back to
    // Registry.ini ([Scan] Threads) or, without it, the processor count.
    // Fix, backup and restore always run on one thread.
    void(CORVEX_CALL* SetScanThreads)(int count);
    // 49 needs: the number of threads the last scan of this engine state ran
    // on (0 before it has started them).
    int(CORVEX_CALL* GetScanThreads)();
    // 50 if any (0 without engine state). Enables a disabled item, the caller's
    // object, which is updated (enabled 1) when the result is 1 or 3:
    // an item Windows switched off (windowsDisabled) gets its StartupApproved
    // value switched on; an item Tamsel disabled gets its Run value written
    // back (and a Windows switch that says off turned on) and then its record
    // removed. When the Run value exists with other data or type, nothing is
    // changed unless `replaceNewer` is 1: result 2, and *current (if not
    // null) receives that value's text. 1 enabled; 3 enabled but the record
    // could not be removed; 0 nothing changed (a failure, or a compaction
    // waiting for its restart, both reported through the report box).
    int(CORVEX_CALL* EnableStartupItem)(StartupItem* item, int replaceNewer, std::wstring* current);
    // 51 none: 1 while compacted hives wait for the restart that swaps them
    // in (or when that cannot be told), 0 otherwise. Until then every slot
    // that changes the registry (StartFix, StartRestore, the startup
    // changes, StartDefrag) refuses with "The compacted registry replaces the
    // current one at the next restart; restart first".
    int(CORVEX_CALL* GetPendingCompaction)();
    // 52 needs: how IgnoreList.dat was read for the last scan (0 before any):
    // kIgnoreListRead (read, or there is none), kIgnoreListDamaged (damaged
    // or past the size cap), kIgnoreListUnreadable (there but could not be
    // read: locked, access denied). Unless it is kIgnoreListRead, that scan
    // could not leave out what the user ignored: its problems are found
    // unchecked, SetProblemChecked checks none, and a fix run fixes nothing.
    // A later scan that reads the file restores normal behaviour.
    int(CORVEX_CALL* GetIgnoreListState)();
};

static_assert(sizeof(UiCallbackTable) == 18 * sizeof(void*), "18 callback slots");
static_assert(sizeof(EngineFunctionTable) == 53 * sizeof(void*),
              "46 engine slots, GetOperationResult, SetReportHandler, SetScanThreads, GetScanThreads, "
              "EnableStartupItem, GetPendingCompaction and GetIgnoreListState");
static_assert(sizeof(TASK_TRIGGER) == 48, "a trigger crosses the boundary as 12 words");

// The library's only export. Stores callbacks (a later call replaces them),
// writes the address of the engine's static table to *out, returns callbacks.
using ToEngineInitGetUIInterfaceFn = UiCallbackTable*(CORVEX_CALL*)(UiCallbackTable* callbacks,
                                                                     EngineFunctionTable** out);
extern "C" UiCallbackTable* CORVEX_CALL toEngineInitGetUIInterface(UiCallbackTable* callbacks,
                                                                   EngineFunctionTable** out);
