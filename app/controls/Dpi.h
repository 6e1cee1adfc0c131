// The window's DPI and the scaling of its 96-DPI design. The manifest says
// the program is DPI aware, so Windows does not scale it: every length,
// font and skin picture is scaled here (per monitor where the system tells
// a window its own DPI).
#pragma once

#include <windows.h>

#include "pure/LayoutRules.h"

namespace ui {

// Scales design lengths to one DPI.
class Dpi {
public:
    constexpr Dpi() = default;
    constexpr explicit Dpi(int dpi) : dpi_(dpi > 0 ? dpi : layout::kDesignDpi) {}

    constexpr int value() const { return dpi_; }
    constexpr int operator()(int designLength) const { return layout::Scale(designLength, dpi_); }
    RECT operator()(const RECT& r) const { return {(*this)(r.left), (*this)(r.top), (*this)(r.right), (*this)(r.bottom)}; }
    // A length of this DPI in design units.
    constexpr int Design(int length) const { return layout::Unscale(length, dpi_); }

private:
    int dpi_ = layout::kDesignDpi;
};

// The screen's DPI as the process sees it (the system DPI).
int SystemDpi();
// The DPI of the monitor `hwnd` is on, where the system tells it
// (GetDpiForWindow, looked up at run time); else the system DPI.
int WindowDpi(HWND hwnd);

}  // namespace ui
