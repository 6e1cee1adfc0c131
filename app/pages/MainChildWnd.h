#pragma once

#include "pages/PageBase.h"

namespace ui {

class CMainChildWnd : public CPageBase {
public:
    CMainChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
