// The drawing modes of skin images. 32-bit images are alpha-blended
// (premultiplied source), others copied; an empty image draws nothing.
// Skin pictures are drawn at their size scaled to `dpi` (96: as they are).
#pragma once

#include <windows.h>

#include "controls/ImageCache.h"

namespace ui {

enum class DrawMode { Natural, Stretch, RepeatAcross, RepeatDown, Tile, Extend };

// Copies the source part (sx, sy, sw, sh) of the image into (dx, dy, dw, dh).
void BlitImage(HDC dc, const CImage* image, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
               int sh);

// The image's width and height at `dpi`.
SIZE ImageSize(const CImage* image, int dpi = 96);

void DrawNatural(HDC dc, const CImage* image, int x, int y, int dpi = 96);
void DrawStretch(HDC dc, const CImage* image, const RECT& r);
void DrawRepeatAcross(HDC dc, const CImage* image, const RECT& r, int dpi = 96);
// Copies stacked from r.top + offset, each scaled to the width of r.
void DrawRepeatDown(HDC dc, const CImage* image, const RECT& r, int offset = 0, int dpi = 96);
void DrawTile(HDC dc, const CImage* image, const RECT& r, int dpi = 96);
// One copy from r's left edge, scaled to r's height, cut at r's right edge;
// a wider r is filled by the image's last column stretched across (a
// one-piece button picture with a plain right end grows without repeating
// its icon).
void DrawExtended(HDC dc, const CImage* image, const RECT& r, int dpi = 96);
void DrawImage(HDC dc, const CImage* image, const RECT& r, DrawMode mode, int dpi = 96);

}  // namespace ui
