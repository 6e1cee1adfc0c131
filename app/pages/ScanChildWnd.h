#pragma once

#include "pages/PageBase.h"

namespace ui {

class CScanChildWnd : public CPageBase {
public:
    CScanChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
