// The program settings page: start with Windows, the restore-point option,
// update checks and what the caption X button does. Every click is stored
// at once; entering the page reads everything back.
#pragma once

#include <string>

#include "pages/CheckBoxPage.h"

namespace ui {

class CProgramSettings : public CCheckBoxPage {
public:
    static constexpr int kStartupBox = 1714;
    static constexpr int kRestorePointBox = 1715;
    static constexpr int kUpdatesBox = 1716;
    static constexpr int kAskCloseBox = 1717;
    static constexpr int kTrayCloseBox = 1718;
    static constexpr int kBoxCount = 5;

    CProgramSettings();
    void OnPageEnter() override;
    void OnPageLeave() override;

    CCheckBox& BoxById(int id) { return Box(id - kStartupBox); }

protected:
    void OnBoxClicked(int index) override;
    RECT BoxRect(int index) const override;
    int LabelCount() const override { return kBoxCount; }
    ShownText Label(int index, const RECT& client) const override;

private:
    void OnStartupClicked();
    // Writes a setting; a failed write is said and the boxes show the file.
    bool Store(const wchar_t* key, bool value);
    void ShowStored();
};

// The program's own start-up entry: the program path in quotes and " -scan".
StartupItem OwnStartupEntry();
// Registry.ini, section "ProgramSettings": "TRUE" or "FALSE".
// False when Registry.ini does not hold the value afterwards.
bool WriteProgramSetting(const wchar_t* key, bool value);

}  // namespace ui
