// Common base of the eleven pages: the bottom-bar commands routed to them.
#pragma once

#include "shell/ChildWnd.h"
#include "shell/MainDlg.h"

namespace ui {

class CPageBase : public CMyChildWnd {
public:
    using CMyChildWnd::CMyChildWnd;
    virtual void OnPrimaryAction() {}
    virtual void OnSecondAction() {}
    virtual void OnThirdAction() {}
    virtual void OnFullBackupAction() {}
};

}  // namespace ui
