#include "pages/MessageBox.h"

#include "controls/Dpi.h"
#include "controls/Gdi.h"
#include "controls/ImageDraw.h"
#include "res/ResourceIds.h"

namespace ui {

RECT MessageBoxTextArea(int tw, int th, int ownerWidth, int ownerHeight)
{
    const int cx = ownerWidth / 2, cy = ownerHeight / 2;
    // 0.6 x tw truncated toward zero, in integers: 0.6 has no exact binary
    // form, and x87 arithmetic (the 32-bit build) truncates 0.6 x 150 to 89.
    return {cx - tw, cy - th, cx + tw * 3 / 5, cy + th};
}

RECT MessageBoxPlacement(const RECT& textArea, const RECT& ownerArea, int dpi)
{
    const Dpi s(dpi);
    const int wc = ownerArea.right - ownerArea.left, hc = ownerArea.bottom - ownerArea.top;
    const int w = textArea.right - textArea.left;
    const int areaHeight = textArea.bottom - textArea.top;
    int h = s(160), top = hc / 2 + ownerArea.top - h / 2;
    if (areaHeight > h) {
        h = areaHeight;
        top = hc / 2 + ownerArea.top - h / 2;
    }
    const int left = ownerArea.left + wc / 2 - w / 2;
    return {left, top, left + w, top + h};
}

std::wstring MessageBoxIconPath(int kind)
{
    if (kind == kBoxWarning) return L"./images/warning-48x48.png";
    if (kind == kBoxInformation) return L"./images/Symbol Information_48x48.png";
    return L"";
}

namespace {

class CMessageBox {
public:
    std::wstring caption = L"Tamsel";
    std::wstring text;
    int kind = 0;
    RECT textArea{};
    RECT ownerArea{};
    int result = 0;

    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lp);
        auto* self = reinterpret_cast<CMessageBox*>(GetWindowLongPtrW(hwnd, DWLP_USER));
        return self ? self->Handle(hwnd, msg, wp) : FALSE;
    }

private:
    CImage* icon_ = nullptr;
    Dpi dpi_;

    INT_PTR Handle(HWND hwnd, UINT msg, WPARAM wp)
    {
        switch (msg) {
        case WM_INITDIALOG: Initialise(hwnd); return TRUE;
        case WM_PAINT: Paint(hwnd); return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wp)) {
            case kIdYes: result = 1; EndDialog(hwnd, IDOK); return TRUE;
            case kIdNo:
            case IDCANCEL: result = 0; EndDialog(hwnd, IDCANCEL); return TRUE;
            default: return FALSE;
            }
        default: return FALSE;
        }
    }

    void Initialise(HWND hwnd)
    {
        SetWindowTextW(hwnd, caption.c_str());
        dpi_ = Dpi(WindowDpi(hwnd));
        const Dpi& s = dpi_;
        RECT box = MessageBoxPlacement(textArea, ownerArea, s.value());
        MoveWindow(hwnd, box.left, box.top, box.right - box.left, box.bottom - box.top, FALSE);
        RECT c{};
        GetClientRect(hwnd, &c);
        const int cw = c.right, ch = c.bottom;
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
        auto button = [&](const wchar_t* label, int id, int x0, int x1) {
            HWND b = CreateWindowExW(0, L"BUTTON", label, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x0,
                                     ch - s(35), x1 - x0, s(25), hwnd,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                     nullptr);
            SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        };
        button(L"Yes", kIdYes, cw / 2 - s(85), cw / 2 - s(10));
        button(L"No", kIdNo, cw / 2 + s(10), cw / 2 + s(85));
        LoadCachedImage(L"./images/warning-48x48.png");
        LoadCachedImage(L"./images/Symbol Information_48x48.png");
        std::wstring iconPath = MessageBoxIconPath(kind);
        icon_ = iconPath.empty() ? nullptr : LoadCachedImage(iconPath);
    }

    void Paint(HWND hwnd)
    {
        gdi::PaintScope ps(hwnd);
        RECT c{};
        GetClientRect(hwnd, &c);
        const int cw = c.right, ch = c.bottom;
        const Dpi& s = dpi_;
        gdi::Font font(gdi::CreateFontSimple(s(16), 0, false, nullptr));
        gdi::Select sel(ps.dc(), font.get());
        SetBkMode(ps.dc(), TRANSPARENT);
        RECT m{0, 0, 0, 0};
        DrawTextW(ps.dc(), text.c_str(), -1, &m, DT_CALCRECT | DT_NOPREFIX);
        const int tw = m.right, th = m.bottom;
        RECT r{cw / 4, ch / 2 - th / 2 - s(22), cw / 4 + tw, ch / 2 + th / 2 - s(22)};
        DrawTextW(ps.dc(), text.c_str(), -1, &r, DT_LEFT | DT_TOP | DT_NOPREFIX);
        if (icon_ && !icon_->IsEmpty()) {
            const SIZE size = ImageSize(icon_, s.value());
            DrawNatural(ps.dc(), icon_, cw / 8 - size.cx / 2, ch / 2 - s(22) - size.cy / 2, s.value());
        }
    }
};

INT_PTR CALLBACK AboutProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

MessageBoxAnswer& Answer()
{
    static MessageBoxAnswer answer;
    return answer;
}

StandardBoxAnswer& StandardAnswer()
{
    static StandardBoxAnswer answer;
    return answer;
}

RestartHook& Restart()
{
    static RestartHook hook;
    return hook;
}

// Enables one privilege on the process token; the token is closed again.
bool EnablePrivilege(const wchar_t* name)
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return false;
    struct Closer {
        HANDLE h;
        ~Closer() { CloseHandle(h); }
    } token{raw};
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid)) return false;
    if (!AdjustTokenPrivileges(token.h, FALSE, &tp, 0, nullptr, nullptr)) return false;
    return GetLastError() == ERROR_SUCCESS;
}

}  // namespace

void SetMessageBoxAnswer(MessageBoxAnswer answer) { Answer() = std::move(answer); }

int RunMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, int kind)
{
    if (Answer()) return Answer()(text, caption.empty() ? std::wstring(L"Tamsel") : caption, kind) == 1 ? 1 : 0;
    CMessageBox box;
    box.text = text;
    if (!caption.empty()) box.caption = caption;
    box.kind = kind;
    RECT client{};
    GetClientRect(owner, &client);
    {
        gdi::WindowDC dc(owner);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(owner, WM_GETFONT, 0, 0));
        gdi::Select sel(dc.get(), font);
        RECT m{0, 0, 0, 0};
        DrawTextW(dc.get(), text.c_str(), -1, &m, DT_CALCRECT | DT_NOPREFIX);
        box.textArea = MessageBoxTextArea(m.right, m.bottom, client.right, client.bottom);
    }
    MapWindowPoints(owner, nullptr, reinterpret_cast<POINT*>(&client), 2);
    box.ownerArea = client;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TAMSEL_MESSAGEBOX), owner, &CMessageBox::Proc,
                    reinterpret_cast<LPARAM>(&box));
    return box.result;
}

void SetStandardBoxAnswer(StandardBoxAnswer answer) { StandardAnswer() = std::move(answer); }

int RunStandardBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)
{
    if (StandardAnswer()) return StandardAnswer()(text, caption, flags);
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

void SetRestartHook(RestartHook hook) { Restart() = std::move(hook); }

bool RestartComputer()
{
    if (Restart()) return Restart()();
    if (!EnablePrivilege(L"SeShutdownPrivilege")) return false;
    return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

void RunAboutDialog(HWND owner)
{
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TAMSEL_ABOUT), owner, &AboutProc, 0);
}

}  // namespace ui
