// A check box without text, drawn as the standard check-box frame control
// over its whole client rectangle.
#pragma once

#include <string>

#include "controls/Window.h"

namespace ui {

class CCheckBox : public CControl {
public:
    // `name` is the window text: what screen readers say and where an
    // accelerator letter is marked; the page draws the label itself.
    bool Create(HWND parent, UINT id, const RECT& r, const std::wstring& name = L"");
    bool Checked() const;
    void SetChecked(bool checked);

protected:
    LRESULT ControlMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace ui
