// The engine's single state object: lists, counters, stop flag, worker
// thread handles, the system facts and the root-key name table.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "corvex/Records.h"
#include "core/Handles.h"
#include "core/SystemFacts.h"
#include "pure/FixGuard.h"

class CRegEngine {
public:
    CRegEngine();
    explicit CRegEngine(const SystemFacts& facts);  // for tests that pose as another system
    CRegEngine(const CRegEngine&) = delete;
    CRegEngine& operator=(const CRegEngine&) = delete;
    virtual ~CRegEngine();

    // One of the five predefined roots by exact, case-sensitive name; null
    // for any other text. The table never grows.
    static HKEY LookupRoot(const std::wstring& name);
    // The name of a predefined root handle; empty for others.
    static const wchar_t* RootName(HKEY root);

    bool Is64BitWindows() const { return facts.is64BitWindows; }
    // The view of a single-pass category: 64-bit on 64-bit Windows.
    int PrimaryView() const { return facts.is64BitWindows ? kView64 : kView32; }

    SystemFacts facts;

    int backupMode = 0;                                 // 0 full, 1 partial
    PtrArray<RegScanCategory>* backupSource = nullptr;  // not owned
    std::wstring restoreName;
    std::atomic<int> operationResult{0};

    std::atomic<int> stopFlag{0};

    PtrArray<RegScanCategory> results;
    PtrArray<XMLElement> categories;
    PtrArray<RegScanCategory> ignoreList;
    // The scan thread and a page may read IgnoreList.dat at once.
    std::mutex ignoreListLock;
    // What the last read of IgnoreList.dat found: 0 a list (or none), 1 a
    // damaged file (kept as IgnoreList.dat.bad before it is first rewritten),
    // 2 a file that could not be read (never rewritten).
    int ignoreFileState = 0;
    // The state of that read for the current scan results (kIgnoreListRead,
    // ...Damaged, ...Unreadable): unless read, nothing may be checked or fixed.
    std::atomic<int> scanIgnoreListState{0};
    PtrArray<StartupItem> startupItems;  // items not owned: LoadStartupItems hands them to its caller
    PtrArray<BackupEntry> backups;
    std::vector<std::wstring> savedKeys;

    std::atomic<int> problemCount{0};
    std::atomic<int> checkedCount{0};
    // The tree limits of the fix guard, read from Registry.ini when a scan starts.
    pure::GuardLimits guardLimits;
    std::atomic<int> fixedCount{0};
    std::atomic<int> notFixedCount{0};
    std::atomic<int> processedCount{0};

    UniqueHandle scanThread;
    UniqueHandle fixThread;

    // A scan's threads take this for every scan callback, for handing out
    // work, for merging a category's results into the result list and for
    // the categories' scan states and found counts: one at a time, in order.
    std::mutex scanLock;
    // The threads the current or last scan runs on; 0 before it starts them.
    std::atomic<int> scanThreads{0};

    bool StopRequested() const { return stopFlag.load() != 0; }
};
