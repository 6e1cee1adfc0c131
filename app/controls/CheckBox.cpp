#include "controls/CheckBox.h"

#include "controls/Accessible.h"
#include "controls/Gdi.h"

namespace ui {

bool CCheckBox::Create(HWND parent, UINT id, const RECT& r, const std::wstring& name)
{
    HWND h = CreateChild(L"BUTTON", name.c_str(), WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, r, parent, id);
    Attach(h);
    return h != nullptr;
}

bool CCheckBox::Checked() const
{
    return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CCheckBox::SetChecked(bool checked)
{
    SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

LRESULT CCheckBox::ControlMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
        RECT r{};
        GetClientRect(hwnd_, &r);
        UINT state = DFCS_BUTTONCHECK | (Checked() ? DFCS_CHECKED : 0u);
        if (msg == WM_PRINTCLIENT) {
            DrawFrameControl(reinterpret_cast<HDC>(wp), &r, DFC_BUTTON, state);
            return 0;
        }
        gdi::PaintScope ps(hwnd_);
        DrawFrameControl(ps.dc(), &r, DFC_BUTTON, state);
        return 0;
    }
    if (msg == WM_ERASEBKGND) return TRUE;
    if (msg == WM_GETOBJECT)
        if (LRESULT r = AnswerGetObject(hwnd_, wp, lp, AccessibleKind::CheckBox)) return r;
    // The page marks the focused box's label.
    if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) InvalidateRect(GetParent(hwnd_), nullptr, FALSE);
    LRESULT r = Default(msg, wp, lp);
    // State changes repaint through WM_PAINT, not the control's own drawing.
    if (msg == BM_SETCHECK || msg == WM_LBUTTONUP || msg == WM_KEYUP) InvalidateRect(hwnd_, nullptr, FALSE);
    return r;
}

}  // namespace ui
