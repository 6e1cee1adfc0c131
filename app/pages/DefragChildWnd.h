#pragma once

#include "pages/PageBase.h"

namespace ui {

class CDefragChildWnd : public CPageBase {
public:
    CDefragChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
