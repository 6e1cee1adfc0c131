#pragma once

#include "pages/PageBase.h"

namespace ui {

class CCleanChildWnd : public CPageBase {
public:
    CCleanChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
