// RAII wrappers for GDI objects and device contexts.
#pragma once

#include <windows.h>

#include <utility>

namespace gdi {

// Owns one GDI object (font, bitmap, brush, pen, region) and deletes it.
template <class H>
class Object {
public:
    Object() = default;
    explicit Object(H h) : h_(h) {}
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    Object(Object&& o) noexcept : h_(o.release()) {}
    Object& operator=(Object&& o) noexcept
    {
        reset(o.release());
        return *this;
    }
    ~Object() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    H release() { return std::exchange(h_, nullptr); }
    void reset(H h = nullptr)
    {
        if (h_) DeleteObject(h_);
        h_ = h;
    }

private:
    H h_ = nullptr;
};

using Font = Object<HFONT>;
using Bitmap = Object<HBITMAP>;
using Brush = Object<HBRUSH>;
using Pen = Object<HPEN>;

// Selects an object into a DC for one scope and puts the old one back.
class Select {
public:
    Select(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    Select(const Select&) = delete;
    Select& operator=(const Select&) = delete;
    ~Select()
    {
        if (old_) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A memory DC compatible with another; deleted at scope end.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC()
    {
        if (dc_) DeleteDC(dc_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
};

// GetDC / GetWindowDC with the matching ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd, bool wholeWindow = false)
        : hwnd_(hwnd), dc_(wholeWindow ? GetWindowDC(hwnd) : GetDC(hwnd))
    {
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC()
    {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { BeginPaint(hwnd, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    HDC dc() const { return ps_.hdc; }
    const RECT& dirty() const { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

// A top-down 32-bit DIB section of the given size; bits may be null.
HBITMAP CreateDib32(int width, int height, void** bits = nullptr);

// Arial (or another face) of the given height and weight.
HFONT CreateFontSimple(int height, int weight = 0, bool underline = false,
                       const wchar_t* face = L"Arial", int width = 0);

// The system's font for icon titles and lists (the one list views use),
// for `dpi` where the system gives it at `systemDpi`.
HFONT CreateUiFont(int dpi, int systemDpi);

void FillSolid(HDC dc, const RECT& r, COLORREF colour);
void FrameSolid(HDC dc, const RECT& r, COLORREF colour);
void HorizontalLine(HDC dc, int x0, int x1, int y, COLORREF colour);

}  // namespace gdi
