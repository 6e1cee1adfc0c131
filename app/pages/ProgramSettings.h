#pragma once

#include "pages/PageBase.h"

namespace ui {

class CProgramSettings : public CPageBase {
public:
    CProgramSettings();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
