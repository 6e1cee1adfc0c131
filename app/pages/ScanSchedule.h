#pragma once

#include "pages/PageBase.h"

namespace ui {

class CScanSchedule : public CPageBase {
public:
    CScanSchedule();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
