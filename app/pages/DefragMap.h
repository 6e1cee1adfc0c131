// The defrag page's cluster map: a DIB the size of the page into which the
// engine's workers draw cluster ranges, always under the map's lock, and
// which the page copies to the window on its own timer; and the legend of
// its colours.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include <vector>

#include "controls/Gdi.h"
#include "shell/ChildWnd.h"
#include "shell/CriticalSection.h"

namespace ui {

class CDefragMap {
public:
    // Colours of the map (index = the engine's colour number).
    static const COLORREF kPalette[8];

    CDefragMap() = default;
    ~CDefragMap();
    CDefragMap(const CDefragMap&) = delete;
    CDefragMap& operator=(const CDefragMap&) = delete;

    // A new surface of w x h for `window`, with the map at `map`, cleared.
    void Reset(HWND window, int w, int h, const RECT& map);
    // The whole map in the "empty" colour.
    void Clear();
    // Cluster range [first, end) of `total` in palette colour `colour`;
    // called on worker threads.
    void DrawRange(uint64_t total, uint64_t first, uint64_t end, int colour);
    // True once after each change, for the page's timer.
    bool TakeDirty() { return dirty_.exchange(false); }
    const RECT& Rect() const { return map_; }
    // The surface's colour at a page point, CLR_INVALID outside it.
    COLORREF At(int x, int y);

    // A black frame around the map and the map itself.
    void Paint(HDC dc);
    // The legend row below the map at `s`: a square in each colour and
    // its label.
    std::vector<ShownText> LegendTexts(HFONT font, const Dpi& s) const;
    void PaintLegendSquares(HDC dc, HFONT font, const Dpi& s) const;

private:
    void FillLocked(COLORREF colour);


    CriticalSection lock_;
    RECT map_{};
    gdi::Bitmap surface_;
    HDC dc_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
    int width_ = 0, height_ = 0;
    std::atomic<bool> dirty_{false};
};

}  // namespace ui
