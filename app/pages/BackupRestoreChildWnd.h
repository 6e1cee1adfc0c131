#pragma once

#include "pages/PageBase.h"

namespace ui {

class CBackupRestoreChildWnd : public CPageBase {
public:
    CBackupRestoreChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
};

}  // namespace ui
