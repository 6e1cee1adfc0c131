// The defragmentation state: one DefragContext per process, the hive list
// and the device map beside it, the seams tests replace, and the start of
// the defragmentation workers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "corvex/Records.h"
#include "pure/ClusterMap.h"
#include "pure/VolumeAccess.h"

namespace defrag {

struct DefragContext;

// Where drawing and reporting goes. Status, analysis notice and diagnostic
// do nothing in this system; the texts shown to the user are raised as
// OnDefragStatusText directly.
struct DefragHooks {
    void (*status)(const std::wstring& text);
    void (*moveNotice)(int hiveIndex, uint64_t count, uint64_t from, uint64_t to, uint64_t vcn);
    void (*analysisNotice)(const std::wstring& text);
    void (*diagnostic)(const std::wstring& text);
    void (*drawRange)(const DefragContext& ctx, uint64_t first, uint64_t end, int colour);
    void (*clearMap)();
};

struct DefragContext {
    int phase = 0;              // 0 none, 1 analysis started, 3 defragmentation started
    int* running = nullptr;     // caller's: 0 running, 2 stopped or stop requested
    int* redraw = nullptr;      // caller's: 0 idle, 1 redraw requested, 2 redrawing
    std::unique_ptr<vol::Volume> volume;
    std::wstring mountPoint;         // "c:"
    std::wstring mountPointSlash;    // "c:\"
    std::wstring volumeName;         // no trailing backslash
    std::wstring volumeNameSlash;
    clusters::Zones zones;           // MFT, MFT zone, MFT mirror
    uint64_t totalClusters = 0;
    uint64_t bytesPerCluster = 0;    // 0 until the analysis read it
    DefragHooks hooks{};
};

// The shared flags are plain ints of the caller, read and written without
// locks from several threads.
inline int LoadFlag(const int* p) { return p ? __atomic_load_n(p, __ATOMIC_SEQ_CST) : 0; }
inline void StoreFlag(int* p, int v)
{
    if (p) __atomic_store_n(p, v, __ATOMIC_SEQ_CST);
}
inline bool IsRunning(const DefragContext& ctx) { return LoadFlag(ctx.running) == 0; }

DefragContext* Context();                     // null when none exists
DefragContext& CreateContext();               // zeroed, hooks installed
PtrArray<HiveItem>* Hives();                  // null before the first analysis
PtrArray<HiveItem>& CreateHives();            // a fresh empty list
std::map<std::wstring, std::wstring>& DeviceMap();  // device name -> "c:"
void Release();                               // context, hive list and device map

// Replaceable parts. Production: the real hive list key, the volume and
// file handles with their control requests, RegReplaceKeyW.
struct Seams {
    HKEY hivelistRoot = HKEY_LOCAL_MACHINE;
    std::wstring hivelistPath = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";
    // Opens the volume by its name ("\\?\Volume{...}" without the slash).
    std::function<std::unique_ptr<vol::Volume>(const std::wstring& volumeName, uint32_t* error)> openVolume;
    std::function<LONG(HKEY root, const std::wstring& subKey, const std::wstring& newFile,
                       const std::wstring& oldFile)>
        replaceKey;
    DWORD redrawWaitMs = 5000;  // how long a run waits for a map redraw to end
    // Where queued swaps are recorded (PendingSwap.h); tests use a key of
    // their own so that no other test in the prefix is refused meanwhile.
    std::wstring pendingSwapKey = L"SOFTWARE\\Tamsel Pending Compaction";
};
const Seams& CurrentSeams();
void SetSeams(const Seams* seams);  // null restores production

// Starts a defragmentation worker; the handle is not kept.
bool StartWorker(DWORD(WINAPI* body)(void*), void* arg = nullptr);
// Tests: waits until no defragmentation worker runs any more.
bool WaitForWorkers(DWORD timeoutMs);

}  // namespace defrag
