#pragma once

#include "pages/PageBase.h"
#include "shell/ProgressTextQueue.h"

namespace ui {

class CCleanChildWnd : public CPageBase {
public:
    CCleanChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
    ProgressTextQueue* ProgressQueue() override { return &progress_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void PaintPage(HDC dc, const RECT& client) override;

private:
    ProgressTextQueue progress_;
};

}  // namespace ui
