#include "controls/Gdi.h"

namespace gdi {

HBITMAP CreateDib32(int width, int height, void** bits)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width > 0 ? width : 1;
    bi.bmiHeader.biHeight = -(height > 0 ? height : 1);
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* ignored = nullptr;
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits ? bits : &ignored, nullptr, 0);
}

HFONT CreateFontSimple(int height, int weight, bool underline, const wchar_t* face, int width)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfWeight = weight;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    if (face) lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

HFONT CreateUiFont(int dpi, int systemDpi)
{
    LOGFONTW lf{};
    if (!SystemParametersInfoW(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0)) return nullptr;
    if (systemDpi > 0) lf.lfHeight = MulDiv(lf.lfHeight, dpi, systemDpi);
    return CreateFontIndirectW(&lf);
}

void FillSolid(HDC dc, const RECT& r, COLORREF colour)
{
    COLORREF old = SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void FrameSolid(HDC dc, const RECT& r, COLORREF colour)
{
    FillSolid(dc, {r.left, r.top, r.right, r.top + 1}, colour);
    FillSolid(dc, {r.left, r.bottom - 1, r.right, r.bottom}, colour);
    FillSolid(dc, {r.left, r.top, r.left + 1, r.bottom}, colour);
    FillSolid(dc, {r.right - 1, r.top, r.right, r.bottom}, colour);
}

void HorizontalLine(HDC dc, int x0, int x1, int y, COLORREF colour)
{
    FillSolid(dc, {x0, y, x1, y + 1}, colour);
}

}  // namespace gdi
