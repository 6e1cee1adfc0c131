// The scan area page: one check box per category of the scan settings file;
// each click is stored through the engine at once.
#pragma once

#include <string>

#include "pages/CheckBoxPage.h"

namespace ui {

class CSanSetting : public CCheckBoxPage {
public:
    static constexpr int kFirstBoxId = 1701;
    static constexpr int kBoxCount = 12;

    CSanSetting();
    void OnPageEnter() override;
    void OnPageLeave() override;

protected:
    void OnBoxClicked(int index) override;
    RECT BoxRect(int index) const override;
    int LabelCount() const override;
    ShownText Label(int index, const RECT& client) const override;

private:
    // Rereads the file and sets every box from it.
    void ShowStored();

    PtrArray<XMLElement>* categories_ = nullptr;  // the engine's
};

// The label text of a category: ampersands of the two names that hold one
// doubled, so it shows.
std::wstring ScanAreaLabel(const std::wstring& categoryName);

}  // namespace ui
