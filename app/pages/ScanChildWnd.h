// The scan page: starts a scan on entry and shows it category by category.
#pragma once

#include "pages/ProgressListPage.h"

namespace ui {

class CScanChildWnd : public CProgressListPage {
public:
    CScanChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnAppClosing() override;
    // "Stop Scan".
    void OnPrimaryAction() override;

    void OnScanStarted(PtrArray<XMLElement>* categories) override;
    void OnScanCategory(int index) override;

protected:
    void OnCreate() override;

private:
    void ShowProblemTotal();

    PtrArray<XMLElement>* categories_ = nullptr;
};

}  // namespace ui
