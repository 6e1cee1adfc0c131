#include "controls/ImageDraw.h"

#include <algorithm>

namespace ui {

void BlitImage(HDC dc, const CImage* image, int dx, int dy, int dw, int dh, int sx, int sy, int sw,
               int sh)
{
    if (!image || image->IsEmpty() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    gdi::MemoryDC src(dc);
    gdi::Select sel(src.get(), image->bitmap.get());
    if (image->bpp == 32) {
        BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, dx, dy, dw, dh, src.get(), sx, sy, sw, sh, bf);
    } else {
        int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dx, dy, dw, dh, src.get(), sx, sy, sw, sh, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
    }
}

void DrawNatural(HDC dc, const CImage* image, int x, int y)
{
    if (!image || image->IsEmpty()) return;
    BlitImage(dc, image, x, y, image->width, image->height, 0, 0, image->width, image->height);
}

void DrawStretch(HDC dc, const CImage* image, const RECT& r)
{
    if (!image || image->IsEmpty()) return;
    BlitImage(dc, image, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, image->width,
              image->height);
}

void DrawRepeatAcross(HDC dc, const CImage* image, const RECT& r)
{
    if (!image || image->IsEmpty()) return;
    const int w = image->width;
    for (int x = r.left; x < r.right; x += w) {
        int dw = std::min(w, static_cast<int>(r.right) - x);
        BlitImage(dc, image, x, r.top, dw, r.bottom - r.top, 0, 0, dw, image->height);
    }
}

void DrawRepeatDown(HDC dc, const CImage* image, const RECT& r, int offset)
{
    if (!image || image->IsEmpty()) return;
    const int h = image->height;
    for (int y = r.top + offset; y < r.bottom; y += h) {
        int dh = std::min(h, static_cast<int>(r.bottom) - y);
        BlitImage(dc, image, r.left, y, r.right - r.left, dh, 0, 0, image->width, dh);
    }
}

void DrawTile(HDC dc, const CImage* image, const RECT& r)
{
    if (!image || image->IsEmpty()) return;
    for (int y = r.top; y < r.bottom; y += image->height) {
        int dh = std::min(image->height, static_cast<int>(r.bottom) - y);
        for (int x = r.left; x < r.right; x += image->width) {
            int dw = std::min(image->width, static_cast<int>(r.right) - x);
            BlitImage(dc, image, x, y, dw, dh, 0, 0, dw, dh);
        }
    }
}

void DrawExtended(HDC dc, const CImage* image, const RECT& r)
{
    if (!image || image->IsEmpty()) return;
    const int w = image->width, h = r.bottom - r.top;
    const int first = std::min(w, static_cast<int>(r.right - r.left));
    BlitImage(dc, image, r.left, r.top, first, h, 0, 0, first, image->height);
    if (r.left + w < r.right) BlitImage(dc, image, r.left + w, r.top, r.right - r.left - w, h, w - 1, 0, 1, image->height);
}

void DrawImage(HDC dc, const CImage* image, const RECT& r, DrawMode mode)
{
    switch (mode) {
    case DrawMode::Natural: DrawNatural(dc, image, r.left, r.top); break;
    case DrawMode::Stretch: DrawStretch(dc, image, r); break;
    case DrawMode::RepeatAcross: DrawRepeatAcross(dc, image, r); break;
    case DrawMode::RepeatDown: DrawRepeatDown(dc, image, r); break;
    case DrawMode::Tile: DrawTile(dc, image, r); break;
    case DrawMode::Extend: DrawExtended(dc, image, r); break;
    }
}

}  // namespace ui
