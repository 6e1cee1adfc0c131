#pragma once

#include "pages/PageBase.h"

namespace ui {

class CStartupManager : public CPageBase {
public:
    CStartupManager();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
