// How a scan is shared between threads: how many, how a large walk is cut
// into ranges of its start key's subkeys, and how the problems of those
// ranges are put back into the order one walk records them in. No windows.h.
#pragma once

#include <cstdint>
#include <vector>

namespace pure {

// More threads than this gain nothing against one registry and one disk,
// and each holds its own caches and buffers.
inline constexpr int kMaxScanThreads = 8;

// The threads of a scan: `setting` when it is positive (the user's or the
// console's choice), otherwise the processor count, but at least two, so
// that one thread waiting on the registry or the disk leaves work for the
// other; never more than kMaxScanThreads or than there are pieces of work,
// and at least one.
int ScanThreadCount(int setting, int processors, int pieces);

// The subkeys of a walk's start key at enumeration indices [first, end).
struct SubKeyRange {
    static constexpr uint32_t kToTheEnd = 0xffffffffu;
    uint32_t first = 0;
    uint32_t end = kToTheEnd;

    bool Contains(uint32_t index) const { return index >= first && index < end; }
    // The range that also walks the start key's own values.
    bool HasStartKey() const { return first == 0; }
};

// A start key with more subkeys than `rangeSize` is cut into consecutive
// ranges of that many (the last one open-ended, so subkeys added meanwhile
// are still walked once); otherwise it is one whole range.
std::vector<SubKeyRange> SplitSubKeys(uint32_t subKeyCount, uint32_t rangeSize);

// The breadth-first order of problems recorded depth first: `depths` holds
// each problem's key depth in the order recorded; the result lists their
// positions ordered by depth, keeping the recorded order within a depth.
// Ranges of one walk, concatenated in range order, give the same order as
// the whole walk.
std::vector<int> BreadthFirstOrder(const std::vector<int>& depths);

}  // namespace pure
