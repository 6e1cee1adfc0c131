#include "pure/LayoutRules.h"

#include <algorithm>

namespace layout {

std::array<int, 4> ProblemColumnWidths(int clientWidth, int dpi)
{
    const int width = std::max(0, clientWidth);
    std::array<int, 4> w{0, Scale(90, dpi), Scale(120, dpi), Scale(170, dpi)};
    const int minEntry = width / 3;
    int fixed = w[1] + w[2] + w[3];
    if (width - fixed < minEntry && fixed > 0) {
        // Shrink the three in proportion so the entry column keeps a third.
        const int room = width - minEntry;
        for (size_t i = 1; i < 4; ++i) w[i] = static_cast<int>(static_cast<long long>(w[i]) * room / fixed);
        fixed = w[1] + w[2] + w[3];
    }
    w[0] = width - fixed;
    return w;
}

std::vector<int> LegendLabelLefts(int left, int square, int gap, int spacing, const std::vector<int>& labelWidths)
{
    std::vector<int> lefts;
    int x = left;
    for (int width : labelWidths) {
        lefts.push_back(x + square + gap);
        x += square + gap + width + spacing;
    }
    return lefts;
}

}  // namespace layout
