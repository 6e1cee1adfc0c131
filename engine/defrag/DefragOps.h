// The operations of hive analysis, compaction and defragmentation, shared
// by the workers and the slots. All work on the process's DefragContext.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "corvex/Records.h"
#include "defrag/DefragState.h"

namespace defrag {

// Hive files (HiveFiles.cpp).
void BuildDeviceMap();
// Adds the hive file behind one hivelist value to the hive list, when it
// names an existing file on a mapped volume.
void OfferHivelistValue(const std::wstring& devicePath, const std::wstring& keyName);
// A HiveItem for an existing file (size from its directory entry); null when
// no file is found.
std::unique_ptr<HiveItem> MakeHiveItem(const std::wstring& path, const std::wstring& keyName);
std::unique_ptr<vol::VolumeFile> OpenHiveForMove(DefragContext& ctx, const HiveItem& hive);
// Rebuilds the extent list and the cluster count; false when the request
// failed or did not end.
bool ReadHiveExtents(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file);
std::vector<vol::Extent> ExtentsOf(const HiveItem& hive);
bool IsHiveRangeFragmented(const HiveItem& hive, uint64_t offset, uint64_t size);

// The volume map (VolumeMap.cpp).
enum class DrawMode { Normal, Erase };
void DrawHiveExtents(DefragContext& ctx, const HiveItem& hive, DrawMode mode);
// A full redraw. `announceIdle` is false inside an analysis or a run, whose
// own end tells the page it may act again.
void DrawVolumeMap(DefragContext& ctx, bool announceIdle);

// Compaction (CompactHive.cpp): 0 done (maybe with the error flag set),
// 1 key name of unexpected form, 2 the replacement could not be scheduled.
int CompactHive(DefragContext& ctx, HiveItem& hive);

// Moves (HiveMove.cpp).
enum class MoveStrategy { Whole, ExtentByExtent };
bool MoveHiveFile(DefragContext& ctx, HiveItem& hive, uint64_t destination, uint64_t size);
bool MoveHiveChunk(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                   uint64_t offset, uint64_t size);
bool MoveAndReread(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                   uint64_t offset, uint64_t size, MoveStrategy strategy);
uint32_t MoveInOneCall(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                       uint64_t offset, uint64_t size);
uint32_t MoveExtentByExtent(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                            uint64_t offset, uint64_t size);
clusters::FreeRun FindFreeRun(DefragContext& ctx, uint64_t minimum, uint64_t maximum, uint64_t length,
                              bool mustFit, bool highest);

// The run (DefragRun.cpp): 0 finished, 1 stopped, 2 aborted in the
// compaction pass.
int DefragmentHives(DefragContext& ctx);

// Worker bodies.
DWORD WINAPI AnalysisThread(void*);
DWORD WINAPI DefragRunThread(void*);
DWORD WINAPI MapRedrawThread(void*);
void SetAnalysisFlags(int* running, int* redraw);
// Ends an analysis (phase 1) or a run (phase 3) whose worker could not be
// started as a failed one, so the page leaves its busy state.
void EndUnstarted(int phase);

}  // namespace defrag
