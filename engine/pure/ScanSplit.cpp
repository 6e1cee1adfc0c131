#include "pure/ScanSplit.h"

#include <algorithm>

namespace pure {

int ScanThreadCount(int setting, int processors, int pieces)
{
    int threads = setting > 0 ? setting : std::max(processors, 2);
    threads = std::min({threads, kMaxScanThreads, pieces});
    return std::max(threads, 1);
}

std::vector<SubKeyRange> SplitSubKeys(uint32_t subKeyCount, uint32_t rangeSize)
{
    std::vector<SubKeyRange> ranges;
    if (rangeSize == 0 || subKeyCount <= rangeSize) {
        ranges.push_back(SubKeyRange{});
        return ranges;
    }
    for (uint64_t first = 0; first < subKeyCount; first += rangeSize)
        ranges.push_back(SubKeyRange{static_cast<uint32_t>(first), static_cast<uint32_t>(first + rangeSize)});
    ranges.back().end = SubKeyRange::kToTheEnd;
    return ranges;
}

std::vector<int> BreadthFirstOrder(const std::vector<int>& depths)
{
    std::vector<int> order(depths.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return depths[static_cast<size_t>(a)] < depths[static_cast<size_t>(b)];
    });
    return order;
}

}  // namespace pure
