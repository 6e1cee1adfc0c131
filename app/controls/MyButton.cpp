#include "controls/MyButton.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/Accessible.h"
#include "controls/Dpi.h"
#include "controls/ImageDraw.h"
#include "controls/MemDC.h"
#include "pure/UiTexts.h"

namespace ui {

CMyButton::CMyButton(bool transparent, int faceMode) : transparent_(transparent), faceMode_(faceMode) {}

bool CMyButton::Create(HWND parent, UINT id, const RECT& r, const wchar_t* text)
{
    HWND h = CreateChild(L"BUTTON", text, WS_VISIBLE | BS_OWNERDRAW | WS_CLIPSIBLINGS | WS_TABSTOP, r,
                         parent, id);
    AttachButton(h);
    return h != nullptr;
}

void CMyButton::AttachButton(HWND hwnd)
{
    Attach(hwnd);
    if (!hwnd) return;
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    style = (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW | WS_CLIPSIBLINGS;
    SetWindowLongPtrW(hwnd, GWL_STYLE, style);
}

void CMyButton::SetStateFace(int state, const std::wstring& path)
{
    if (state >= 0 && state < 3) faces_[state] = LoadCachedImage(path);
}

void CMyButton::SetFallbackFace() { fallback_ = LoadCachedImage(L"./images/banner-button-bg.png"); }

void CMyButton::SetIcon(const std::wstring& path, int x, int y)
{
    icon_ = LoadCachedImage(path);
    iconPos_ = {x, y};
}

void CMyButton::MakeFonts(ButtonCaption& c) const
{
    const int height = Dpi(dpi_)(c.height);
    c.plain.reset(gdi::CreateFontSimple(height, c.weight, false));
    c.underlined.reset(gdi::CreateFontSimple(height, c.weight, true));
}

void CMyButton::SetCaption(int x, int y, COLORREF colour, COLORREF hover, int height,
                           const std::wstring& text, int weight)
{
    caption_.text = text;
    caption_.x = x;
    caption_.y = y;
    caption_.height = height;
    caption_.weight = weight;
    caption_.colour = colour;
    caption_.hoverColour = hover;
    MakeFonts(caption_);
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CMyButton::SetSecondCaption(int x, int y, COLORREF colour, COLORREF hover, int height,
                                 const std::wstring& text)
{
    second_.text = text;
    second_.x = x;
    second_.y = y;
    second_.height = height;
    second_.weight = 0;
    second_.colour = colour;
    second_.hoverColour = hover;
    MakeFonts(second_);
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CMyButton::SetDpi(int dpi)
{
    if (dpi == dpi_) return;
    dpi_ = dpi;
    if (caption_.height) MakeFonts(caption_);
    if (second_.height) MakeFonts(second_);
    // A transparent button takes its parent's picture again at the new size.
    snapshot_.reset();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void CMyButton::SetCaptionText(const std::wstring& text)
{
    caption_.text = text;
    if (hwnd_) {
        SetWindowTextW(hwnd_, text.c_str());
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
}

void CMyButton::SetAccelerator(wchar_t letter)
{
    accelerator_ = letter;
    if (!hwnd_) return;
    SetWindowTextW(hwnd_, uitext::WithAccelerator(caption_.text, letter).c_str());
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void CMyButton::SetBackgroundColour(COLORREF c)
{
    hasBackground_ = true;
    background_ = c;
}

void CMyButton::SetBorderColour(int state, COLORREF c)
{
    if (state < 0 || state > 2) return;
    hasBorder_[state] = true;
    border_[state] = c;
}

void CMyButton::SetState(int state)
{
    state_ = state;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

int CMyButton::EffectiveState(bool pressedNow) const
{
    if (pressedNow) return kPressed;
    if (focused_ && state_ == kNormal) return kHover;
    return state_;
}

DrawMode CMyButton::FaceMode() const
{
    switch (faceMode_) {
    case 2: return DrawMode::RepeatDown;
    case 3: return DrawMode::Stretch;
    case 4: return DrawMode::Tile;
    case 5: return DrawMode::Extend;
    default: return DrawMode::RepeatAcross;
    }
}

namespace {
constexpr int kCaptionMargin = 8;

SIZE MeasureCaption(const ButtonCaption& c)
{
    gdi::WindowDC screen(nullptr);
    gdi::Select sel(screen.get(), c.plain.get());
    RECT m{0, 0, 0, 0};
    DrawTextW(screen.get(), c.text.c_str(), -1, &m, DT_SINGLELINE | DT_CALCRECT);
    return {m.right - m.left, m.bottom - m.top};
}
}  // namespace

RECT CMyButton::CaptionRect(const ButtonCaption& c) const
{
    if (!c.IsSet()) return {};
    RECT client{};
    GetClientRect(hwnd_, &client);
    const SIZE size = MeasureCaption(c);
    const Dpi s(dpi_);
    const int x = c.x < 1 ? (client.right - size.cx) / 2 : s(c.x);
    const int y = c.y < 1 ? (client.bottom - size.cy) / 2 : s(c.y);
    return {x, y, x + size.cx, y + size.cy};
}

int CMyButton::NeededWidth() const
{
    const Dpi s(dpi_);
    int need = 0;
    for (const ButtonCaption* c : {&caption_, &second_}) {
        if (!c->IsSet()) continue;
        const int tw = MeasureCaption(*c).cx;
        need = std::max(need, c->x < 1 ? tw + 2 * s(kCaptionMargin) : s(c->x) + tw + s(kCaptionMargin));
    }
    return need;
}

void CMyButton::DrawCaption(HDC dc, const ButtonCaption& c, int effective, const RECT&)
{
    if (!c.IsSet()) return;
    const bool enabled = IsWindowEnabled(hwnd_) != FALSE;
    HFONT font = (enabled && effective != kNormal) ? c.underlined.get() : c.plain.get();
    gdi::Select sel(dc, font);
    RECT r = CaptionRect(c);
    SetBkMode(dc, TRANSPARENT);
    // The main caption underlines its accelerator letter.
    const std::wstring text = &c == &caption_ ? uitext::WithAccelerator(c.text, accelerator_) : c.text;
    if (enabled) {
        SetTextColor(dc, effective == kNormal ? c.colour : c.hoverColour);
        DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE);
        return;
    }
    // Disabled: the caption grey over a darker copy of itself.
    SetTextColor(dc, RGB(64, 64, 64));
    DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE);
    OffsetRect(&r, -1, -1);
    SetTextColor(dc, RGB(128, 128, 128));
    DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE);
}

void CMyButton::Paint(HDC target, bool pressedNow)
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int effective = EffectiveState(pressedNow);
    CMyMemDC mem(target, client);
    HDC dc = mem.dc();
    if (transparent_ && snapshot_) {
        gdi::MemoryDC snap(dc);
        gdi::Select sel(snap.get(), snapshot_.get());
        BitBlt(dc, 0, 0, client.right, client.bottom, snap.get(), 0, 0, SRCCOPY);
    }
    if (hasBackground_) gdi::FillSolid(dc, client, background_);
    CImage* face = faces_[effective];
    if (face && !face->IsEmpty()) {
        DrawImage(dc, face, client, FaceMode(), dpi_);
    } else {
        if (hasBackground_) gdi::FillSolid(dc, client, background_);
        DrawImage(dc, fallback_, client, FaceMode(), dpi_);
    }
    const Dpi s(dpi_);
    if (icon_) DrawNatural(dc, icon_, s(iconPos_.x), s(iconPos_.y), dpi_);
    DrawCaption(dc, caption_, effective, client);
    DrawCaption(dc, second_, effective, client);
    if (hasBorder_[effective]) gdi::FrameSolid(dc, client, border_[effective]);
    // The keyboard's place: a dotted frame inside the button.
    if (focused_) {
        RECT mark = client;
        InflateRect(&mark, -Dpi(dpi_)(3), -Dpi(dpi_)(3));
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &mark);
    }
}

void CMyButton::TakeSnapshot()
{
    // The parent paints itself into our bitmap, shifted so that the part
    // under the button lands at (0, 0).
    HWND parent = GetParent(hwnd_);
    RECT r{};
    GetClientRect(hwnd_, &r);
    POINT origin{0, 0};
    MapWindowPoints(hwnd_, parent, &origin, 1);
    gdi::WindowDC screen(hwnd_);
    snapshot_.reset(gdi::CreateDib32(r.right, r.bottom));
    gdi::MemoryDC mem(screen.get());
    gdi::Select sel(mem.get(), snapshot_.get());
    SetViewportOrgEx(mem.get(), -origin.x, -origin.y, nullptr);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem.get()), PRF_CLIENT);
    SetViewportOrgEx(mem.get(), 0, 0, nullptr);
}

bool CMyButton::OnReflect(UINT msg, WPARAM, LPARAM lp, LRESULT& result)
{
    switch (msg) {
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        Paint(dis->hDC, (dis->itemState & ODS_SELECTED) != 0);
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORBTN:
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    default:
        return false;
    }
}

LRESULT CMyButton::ControlMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        if (transparent_ && !snapshot_) TakeSnapshot();
        return TRUE;
    case WM_MOUSEMOVE: {
        if ((wp & MK_LBUTTON) || (sticky_ && state_ == kPressed)) break;
        POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        ClientToScreen(hwnd_, &pt);
        if (WindowFromPoint(pt) == hwnd_ && state_ != kHover) {
            state_ = kHover;
            InvalidateRect(hwnd_, nullptr, FALSE);
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd_, 0};
            tracking_ = TrackMouseEvent(&tme) != FALSE;
        }
        break;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (sticky_ && state_ == kPressed) break;
        if (state_ == kHover) {
            state_ = kNormal;
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        break;
    case WM_SETCURSOR:
        if (g_imageCache) {
            SetCursor(g_imageCache->HandCursor());
            return TRUE;
        }
        break;
    case WM_SETFOCUS:
        focused_ = true;
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case WM_KILLFOCUS:
        focused_ = false;
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case WM_ENABLE:
        InvalidateRect(hwnd_, nullptr, FALSE);
        break;
    case WM_GETOBJECT:
        if (LRESULT r = AnswerGetObject(hwnd_, wp, lp, AccessibleKind::PushButton)) return r;
        break;
    case WM_WINDOWPOSCHANGED: {
        // Moved or resized: what the parent drew under it is another picture.
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) snapshot_.reset();
        break;
    }
    default:
        break;
    }
    return Default(msg, wp, lp);
}

}  // namespace ui
