#pragma once

#include "pages/PageBase.h"

namespace ui {

class CSanSetting : public CPageBase {
public:
    CSanSetting();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
