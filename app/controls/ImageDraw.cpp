#include "controls/ImageDraw.h"

#include <algorithm>

#include "pure/LayoutRules.h"

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

SIZE ImageSize(const CImage* image, int dpi)
{
    if (!image || image->IsEmpty()) return {0, 0};
    return {std::max(1, layout::Scale(image->width, dpi)), std::max(1, layout::Scale(image->height, dpi))};
}

namespace {
// The source length that a cut copy's `shown` of `scaled` pixels shows.
int SourcePart(int shown, int scaled, int source)
{
    return scaled <= 0 ? source : std::max(1, static_cast<int>(static_cast<long long>(shown) * source / scaled));
}
}  // namespace

void DrawNatural(HDC dc, const CImage* image, int x, int y, int dpi)
{
    if (!image || image->IsEmpty()) return;
    const SIZE size = ImageSize(image, dpi);
    BlitImage(dc, image, x, y, size.cx, size.cy, 0, 0, image->width, image->height);
}

void DrawStretch(HDC dc, const CImage* image, const RECT& r)
{
    if (!image || image->IsEmpty()) return;
    BlitImage(dc, image, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, image->width,
              image->height);
}

void DrawRepeatAcross(HDC dc, const CImage* image, const RECT& r, int dpi)
{
    if (!image || image->IsEmpty()) return;
    const int w = ImageSize(image, dpi).cx;
    for (int x = r.left; x < r.right; x += w) {
        int dw = std::min(w, static_cast<int>(r.right) - x);
        BlitImage(dc, image, x, r.top, dw, r.bottom - r.top, 0, 0, SourcePart(dw, w, image->width),
                  image->height);
    }
}

void DrawRepeatDown(HDC dc, const CImage* image, const RECT& r, int offset, int dpi)
{
    if (!image || image->IsEmpty()) return;
    const int h = ImageSize(image, dpi).cy;
    for (int y = r.top + offset; y < r.bottom; y += h) {
        int dh = std::min(h, static_cast<int>(r.bottom) - y);
        BlitImage(dc, image, r.left, y, r.right - r.left, dh, 0, 0, image->width, SourcePart(dh, h, image->height));
    }
}

void DrawTile(HDC dc, const CImage* image, const RECT& r, int dpi)
{
    if (!image || image->IsEmpty()) return;
    const SIZE size = ImageSize(image, dpi);
    for (int y = r.top; y < r.bottom; y += size.cy) {
        int dh = std::min(static_cast<int>(size.cy), static_cast<int>(r.bottom) - y);
        for (int x = r.left; x < r.right; x += size.cx) {
            int dw = std::min(static_cast<int>(size.cx), static_cast<int>(r.right) - x);
            BlitImage(dc, image, x, y, dw, dh, 0, 0, SourcePart(dw, size.cx, image->width),
                      SourcePart(dh, size.cy, image->height));
        }
    }
}

void DrawExtended(HDC dc, const CImage* image, const RECT& r, int dpi)
{
    if (!image || image->IsEmpty()) return;
    const int w = ImageSize(image, dpi).cx, h = r.bottom - r.top;
    const int first = std::min(w, static_cast<int>(r.right - r.left));
    BlitImage(dc, image, r.left, r.top, first, h, 0, 0, SourcePart(first, w, image->width), image->height);
    if (r.left + w < r.right)
        BlitImage(dc, image, r.left + w, r.top, r.right - r.left - w, h, image->width - 1, 0, 1, image->height);
}

void DrawImage(HDC dc, const CImage* image, const RECT& r, DrawMode mode, int dpi)
{
    switch (mode) {
    case DrawMode::Natural: DrawNatural(dc, image, r.left, r.top, dpi); break;
    case DrawMode::Stretch: DrawStretch(dc, image, r); break;
    case DrawMode::RepeatAcross: DrawRepeatAcross(dc, image, r, dpi); break;
    case DrawMode::RepeatDown: DrawRepeatDown(dc, image, r, 0, dpi); break;
    case DrawMode::Tile: DrawTile(dc, image, r, dpi); break;
    case DrawMode::Extend: DrawExtended(dc, image, r, dpi); break;
    }
}

}  // namespace ui
