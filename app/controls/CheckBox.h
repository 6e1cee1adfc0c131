// A check box without text, drawn as the standard check-box frame control
// over its whole client rectangle.
#pragma once

#include "controls/Window.h"

namespace ui {

class CCheckBox : public CControl {
public:
    bool Create(HWND parent, UINT id, const RECT& r);
    bool Checked() const;
    void SetChecked(bool checked);

protected:
    LRESULT ControlMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace ui
