// Off-screen drawing contexts: a 32-bit DIB the size of a rectangle of the
// target, drawn in the target's coordinates.
#pragma once

#include <windows.h>

#include "controls/Gdi.h"

namespace ui {

// Copies its rectangle to the target when it goes out of scope.
class CMyMemDC {
public:
    CMyMemDC(HDC target, const RECT& r);
    // Starts from the picture in `source` (same coordinates) instead of black.
    CMyMemDC(HDC target, const RECT& r, HDC source);
    CMyMemDC(const CMyMemDC&) = delete;
    CMyMemDC& operator=(const CMyMemDC&) = delete;
    virtual ~CMyMemDC();

    HDC dc() const { return dc_.get(); }
    const RECT& rect() const { return rect_; }

protected:
    // Skips the copy back (CMyMemDC1).
    bool copyBack_ = true;

private:
    HDC target_;
    RECT rect_;
    gdi::MemoryDC dc_;
    gdi::Bitmap bitmap_;
    HGDIOBJ oldBitmap_ = nullptr;
    POINT oldOrigin_{};
};

// The variant that only releases its bitmap.
class CMyMemDC1 : public CMyMemDC {
public:
    CMyMemDC1(HDC target, const RECT& r) : CMyMemDC(target, r) { copyBack_ = false; }
};

// WM_PAINT through a memory DC: `paint(dc, client)` draws the client area
// in client coordinates, and only the invalid part reaches the screen (a
// page that shows progress repaints one small rectangle many times a
// second).
template <class Paint>
void PaintBuffered(HWND hwnd, Paint&& paint)
{
    gdi::PaintScope ps(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    RECT dirty = ps.dirty();
    if (IsRectEmpty(&dirty)) dirty = client;
    CMyMemDC mem(ps.dc(), dirty);
    paint(mem.dc(), client);
}

}  // namespace ui
