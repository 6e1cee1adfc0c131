// The shape of the scan area and program settings pages: an instruction,
// then check boxes, each with a label the page draws beside it. A click is
// handed to the page at once.
#pragma once

#include <vector>

#include "controls/CheckBox.h"
#include "controls/Gdi.h"
#include "pages/PageBase.h"

namespace ui {

class CCheckBoxPage : public CPageBase {
public:
    CCheckBoxPage(int id, std::wstring title, std::wstring subTitle, PageInstruction instruction, int firstBoxId,
                  int boxCount);

    CCheckBox& Box(int index) { return boxes_.at(static_cast<size_t>(index)); }
    int BoxCount() const { return static_cast<int>(boxes_.size()); }

    // The instruction and every label.
    std::vector<ShownText> Texts() const override;

protected:
    void OnCreate() override;
    void OnSize(int w, int h) override;
    void OnDpiChanged() override;
    bool OnCommand(int id, int code, HWND control) override;

    virtual void OnBoxClicked(int index) = 0;
    // Box `index` in design units.
    virtual RECT BoxRect(int index) const = 0;
    virtual int LabelCount() const = 0;
    // Label `index` in a client area of `client` (scaled), in LabelFont().
    virtual ShownText Label(int index, const RECT& client) const = 0;

    HFONT LabelFont() const { return labelFont_.get(); }
    // Gives each box its label as its window text (for screen readers).
    void NameBoxes();
    // The labels, and the keyboard's mark around the focused box's one.
    void PaintPage(HDC dc, const RECT& client) override;

private:
    int firstBoxId_;
    std::vector<CCheckBox> boxes_;
    gdi::Font labelFont_;
};

}  // namespace ui
