// The platform progress bar; pages use its range and position only.
#pragma once

#include <commctrl.h>

#include "controls/Window.h"

namespace ui {

class CMyProgressCtrl : public CControl {
public:
    bool Create(HWND parent, UINT id, const RECT& r)
    {
        HWND h = CreateChild(PROGRESS_CLASSW, L"", WS_VISIBLE, r, parent, id);
        Attach(h);
        return h != nullptr;
    }
    void SetRange(int low, int high) { SendMessageW(hwnd_, PBM_SETRANGE32, low, high); }
    void SetPos(int pos) { SendMessageW(hwnd_, PBM_SETPOS, pos, 0); }
    int GetPos() const { return static_cast<int>(SendMessageW(hwnd_, PBM_GETPOS, 0, 0)); }
};

}  // namespace ui
