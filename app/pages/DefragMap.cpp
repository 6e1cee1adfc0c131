#include "pages/DefragMap.h"

#include <algorithm>

#include "pure/LayoutRules.h"
#include "pure/PageRules.h"

namespace ui {
namespace {

uint32_t DibColour(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

}  // namespace

const COLORREF CDefragMap::kPalette[8] = {
    RGB(160, 160, 160), RGB(0, 0, 0),       RGB(0, 255, 0),   RGB(255, 0, 0),
    RGB(255, 255, 0),   RGB(0, 128, 255), RGB(255, 150, 150), RGB(0, 200, 0),
};

CDefragMap::~CDefragMap()
{
    CriticalSection::Lock lock(lock_);
    if (dc_) {
        SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
        dc_ = nullptr;
    }
    bits_ = nullptr;
}

void CDefragMap::Reset(HWND window, int w, int h, const RECT& map)
{
    // Workers draw by the map rectangle: it changes with the surface.
    CriticalSection::Lock lock(lock_);
    map_ = map;
    if (!dc_) {
        gdi::WindowDC screen(window);
        dc_ = CreateCompatibleDC(screen.get());
    }
    if (oldBitmap_) SelectObject(dc_, oldBitmap_);
    oldBitmap_ = nullptr;
    void* bits = nullptr;
    surface_.reset(gdi::CreateDib32(w, h, &bits));
    bits_ = static_cast<uint32_t*>(bits);
    width_ = bits_ ? w : 0;
    height_ = bits_ ? h : 0;
    if (surface_) oldBitmap_ = SelectObject(dc_, surface_.get());
    FillLocked(kPalette[0]);
}

void CDefragMap::Clear()
{
    CriticalSection::Lock lock(lock_);
    FillLocked(kPalette[0]);
}

void CDefragMap::FillLocked(COLORREF colour)
{
    if (!bits_) return;
    const uint32_t px = DibColour(colour);
    const int x0 = std::max(0, static_cast<int>(map_.left)), x1 = std::min(width_, static_cast<int>(map_.right));
    const int y0 = std::max(0, static_cast<int>(map_.top)), y1 = std::min(height_, static_cast<int>(map_.bottom));
    for (int y = y0; y < y1; ++y) std::fill(bits_ + y * width_ + x0, bits_ + y * width_ + x1, px);
    dirty_ = true;
}

void CDefragMap::DrawRange(uint64_t total, uint64_t first, uint64_t end, int colour)
{
    if (colour < 0 || colour > 7 || end <= first) return;
    const uint32_t px = DibColour(kPalette[colour]);
    CriticalSection::Lock lock(lock_);
    if (!bits_) return;
    const int left = map_.left, bottom = std::min(static_cast<int>(map_.bottom), height_);
    const int mw = std::min(static_cast<int>(map_.right), width_) - left;
    const int mh = bottom - static_cast<int>(map_.top);
    pagerules::ForEachMapSpan(first, end, total, mw, mh, [&](int row, int x0, int x1) {
        uint32_t* line = bits_ + (bottom - 1 - row) * width_ + left;
        std::fill(line + x0, line + x1, px);
    });
    dirty_ = true;
}

COLORREF CDefragMap::At(int x, int y)
{
    CriticalSection::Lock lock(lock_);
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const uint32_t px = bits_[y * width_ + x];
    return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

void CDefragMap::Paint(HDC dc)
{
    CriticalSection::Lock lock(lock_);
    RECT frame = map_;
    InflateRect(&frame, 1, 1);
    gdi::FrameSolid(dc, frame, RGB(0, 0, 0));
    if (dc_ && bits_)
        BitBlt(dc, map_.left, map_.top, map_.right - map_.left, map_.bottom - map_.top, dc_, map_.left, map_.top,
               SRCCOPY);
}

namespace {

struct Legend {
    int colour;
    const wchar_t* label;
};
constexpr Legend kLegend[] = {
    {0, L"empty"}, {1, L"allocated"}, {4, L"fragment"}, {2, L"unfragment"}, {5, L"selected"},
};
constexpr int kSquare = 12, kGap = 4, kSpacing = 12;

}  // namespace

std::vector<ShownText> CDefragMap::LegendTexts(HFONT font, const Dpi& s) const
{
    // Each label as wide as its text in the legend's font.
    gdi::WindowDC screen(nullptr);
    gdi::Select sel(screen.get(), font);
    std::vector<int> widths;
    for (const Legend& e : kLegend) {
        SIZE size{};
        GetTextExtentPoint32W(screen.get(), e.label, lstrlenW(e.label), &size);
        widths.push_back(size.cx + 1);
    }
    const std::vector<int> lefts = layout::LegendLabelLefts(map_.left, s(kSquare), s(kGap), s(kSpacing), widths);
    std::vector<ShownText> texts;
    const int top = map_.bottom + s(12), bottom = map_.bottom + s(24);
    for (size_t i = 0; i < widths.size(); ++i) {
        ShownText t;
        t.text = kLegend[i].label;
        t.rect = {lefts[i], top, lefts[i] + widths[i], bottom};
        t.font = font;
        texts.push_back(t);
    }
    return texts;
}

void CDefragMap::PaintLegendSquares(HDC dc, HFONT font, const Dpi& s) const
{
    const std::vector<ShownText> labels = LegendTexts(font, s);
    for (size_t i = 0; i < labels.size(); ++i) {
        const RECT& r = labels[i].rect;
        gdi::FillSolid(dc, {r.left - s(kGap) - s(kSquare), r.top, r.left - s(kGap), r.bottom},
                       kPalette[kLegend[i].colour]);
    }
}

}  // namespace ui
