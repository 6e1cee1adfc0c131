#pragma once

#include "pages/PageBase.h"

namespace ui {

class CSelectCleanChildWnd : public CPageBase {
public:
    CSelectCleanChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
