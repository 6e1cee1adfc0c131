#pragma once

#include "pages/PageBase.h"

namespace ui {

class CIgnoreChildWnd : public CPageBase {
public:
    CIgnoreChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
