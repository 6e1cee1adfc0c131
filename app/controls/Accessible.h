// What screen readers learn of the skinned buttons and check boxes: the
// platform's own object for the window, with its name (the window text
// without its accelerator mark), its role (push button or check box), its
// checked state, its keyboard shortcut and default action. Answered to
// WM_GETOBJECT, so it reads the same wherever the platform's own button
// object would not (under Wine, every button is a "client").
#pragma once

#include <windows.h>

namespace ui {

enum class AccessibleKind { PushButton, CheckBox };

// The answer to WM_GETOBJECT for `hwnd`; 0 to let the window's default
// answer (for objects other than the client's, or without oleacc.dll).
LRESULT AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleKind kind);

}  // namespace ui
