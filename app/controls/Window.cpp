#include "controls/Window.h"

#include <commctrl.h>

namespace ui {
namespace {
const wchar_t kControlProp[] = L"TamselControl";
constexpr UINT_PTR kSubclassId = 0x7A5E;
}  // namespace

CWindow::~CWindow()
{
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

CWindow* CWindow::FromHandle(HWND hwnd)
{
    return reinterpret_cast<CWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool CWindow::CreateWin(const wchar_t* className, DWORD exStyle, const wchar_t* title,
                        DWORD style, const RECT& r, HWND parent, UINT id, UINT classStyle,
                        HICON icon)
{
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    if (!GetClassInfoExW(inst, className, &wc)) {
        wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = classStyle;
        wc.lpfnWndProc = &CWindow::StaticProc;
        wc.hInstance = inst;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = nullptr;  // we paint everything ourselves
        wc.hIcon = icon;
        wc.hIconSm = icon;
        wc.lpszClassName = className;
        if (!RegisterClassExW(&wc)) return false;
    }
    HWND h = CreateWindowExW(exStyle, className, title, style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent,
                             (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
                             inst, this);
    return h != nullptr;
}

void CWindow::Destroy()
{
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CWindow::Default(UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

bool CWindow::Reflect(HWND, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)
{
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lp);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(lp)->hwndFrom;
        break;
    case WM_DRAWITEM:
        child = reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem;
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        child = reinterpret_cast<HWND>(lp);
        break;
    default:
        return false;
    }
    CControl* c = child ? CControl::FromHandle(child) : nullptr;
    return c && c->OnReflect(msg, wp, lp, result);
}

LRESULT CWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT r = 0;
    if (Reflect(hwnd_, msg, wp, lp, r)) return r;
    if (msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        HWND child = GetDlgItem(hwnd_, static_cast<int>(mis->CtlID));
        CControl* c = child ? CControl::FromHandle(child) : nullptr;
        if (c && c->OnReflect(msg, wp, lp, r)) return r;
    }
    return Default(msg, wp, lp);
}

LRESULT CALLBACK CWindow::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<CWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = FromHandle(hwnd);
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        LRESULT r = self->HandleMessage(msg, wp, lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnFinalDestroy();
        return r;
    }
    return self->HandleMessage(msg, wp, lp);
}

CControl::~CControl() { Detach(); }

CControl* CControl::FromHandle(HWND hwnd)
{
    return static_cast<CControl*>(GetPropW(hwnd, kControlProp));
}

void CControl::Attach(HWND hwnd)
{
    Detach();
    hwnd_ = hwnd;
    if (!hwnd_) return;
    SetPropW(hwnd_, kControlProp, this);
    SetWindowSubclass(hwnd_, &CControl::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

void CControl::Detach()
{
    if (!hwnd_) return;
    RemoveWindowSubclass(hwnd_, &CControl::SubclassProc, kSubclassId);
    RemovePropW(hwnd_, kControlProp);
    hwnd_ = nullptr;
}

bool CControl::OnReflect(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CControl::ControlMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CControl::Default(UINT msg, WPARAM wp, LPARAM lp) { return DefSubclassProc(hwnd_, msg, wp, lp); }

LRESULT CALLBACK CControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR ref)
{
    auto* self = reinterpret_cast<CControl*>(ref);
    if (msg == WM_NCDESTROY) {
        LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
        self->Detach();
        return r;
    }
    return self->ControlMessage(msg, wp, lp);
}

void PlaceChild(HWND child, const RECT& r)
{
    if (child) MoveWindow(child, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

HWND CreateChild(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& r,
                 HWND parent, UINT id, DWORD exStyle)
{
    return CreateWindowExW(exStyle, className, text, style | WS_CHILD, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent,
                           reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace ui
