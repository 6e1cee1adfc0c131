// The scan area page: one check box per category of the scan settings file;
// each click is stored through the engine at once.
#pragma once

#include <array>
#include <string>

#include "controls/CheckBox.h"
#include "controls/Gdi.h"
#include "pages/PageBase.h"

namespace ui {

class CSanSetting : public CPageBase {
public:
    static constexpr int kFirstBoxId = 1701;
    static constexpr int kBoxCount = 12;

    CSanSetting();
    void OnPageEnter() override;
    void OnPageLeave() override;

    CCheckBox& Box(int k) { return boxes_[static_cast<size_t>(k)]; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void PaintPage(HDC dc, const RECT& client) override;

private:
    void CreateBoxes();
    void OnBoxClicked(int k);
    // Rereads the file and sets every box from it.
    void ShowStored();

    std::array<CCheckBox, kBoxCount> boxes_;
    PtrArray<XMLElement>* categories_ = nullptr;  // the engine's
    gdi::Font labelFont_;
};

// The label text of a category: ampersands of the two names that hold one
// doubled, so it shows.
std::wstring ScanAreaLabel(const std::wstring& categoryName);

}  // namespace ui
