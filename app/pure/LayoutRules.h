// Layout arithmetic of the window that needs no Windows call: scaling the
// 96-DPI design to the screen's DPI, and the widths that keep a list's
// columns inside it. Compiled into the program and natively.
#pragma once

#include <array>
#include <vector>

namespace layout {

inline constexpr int kDesignDpi = 96;

// A length of the 96-DPI design at `dpi`, rounded to the nearest pixel
// (halves away from zero), so that 1.5 x 15 gives 23 and -1.5 x 15 gives -23.
constexpr int Scale(int value, int dpi)
{
    const long long n = static_cast<long long>(value) * dpi;
    const long long q = (n >= 0 ? n + kDesignDpi / 2 : n - kDesignDpi / 2) / kDesignDpi;
    return static_cast<int>(q);
}

// The design length of a length at `dpi` (the inverse, rounded the same way).
constexpr int Unscale(int value, int dpi)
{
    if (dpi <= 0) return value;
    const long long n = static_cast<long long>(value) * kDesignDpi;
    const long long q = (n >= 0 ? n + dpi / 2 : n - dpi / 2) / dpi;
    return static_cast<int>(q);
}

// The selection page's problem columns (entry, grade, description, what the
// fix removes) for a list whose client area is `clientWidth` wide: grade,
// description and extent keep their design widths scaled to `dpi` as far as
// they fit, the entry column takes what is left (at least a third), and
// together they never pass the right edge.
std::array<int, 4> ProblemColumnWidths(int clientWidth, int dpi);

// Places items of the given widths in a row from `left`, each after a
// square of `square` and a gap of `gap` to its label, and `spacing` after
// the label to the next square; returns each label's left edge.
std::vector<int> LegendLabelLefts(int left, int square, int gap, int spacing, const std::vector<int>& labelWidths);

}  // namespace layout
