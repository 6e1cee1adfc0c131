// The main menu page: four group buttons on the left, the entries of the
// selected group on the right, "About" and "Help" at the top right and the
// summary of the last scan in the bottom bar.
#pragma once

#include <array>
#include <memory>

#include "controls/ImageCache.h"
#include "controls/MyButton.h"
#include "pages/PageBase.h"

namespace ui {

class CMainChildWnd : public CPageBase {
public:
    static constexpr int kReferenceWidth = 791;
    static constexpr int kGroupCount = 4;
    static constexpr int kEntryCount = 11;

    enum : int {
        kGroupScanClean = 1000,
        kGroupOptimize = 1001,
        kGroupManage = 1002,
        kGroupOptions = 1003,
        kCmdCheckUpdates = 1029,
    };

    CMainChildWnd();

    void OnPageEnter() override;
    void OnPageLeave() override;

    int SelectedGroup() const { return selectedGroup_; }
    // The entry last clicked in a group (system tools never count); 0 for none.
    int SelectedEntry(int groupId) const;
    // A group, entry, "About", "Help" or "Check for Updates" button; else null.
    CMyButton* Button(int id) const;

protected:
    void OnCreate() override;
    void OnSize(int w, int h) override;
    void OnDpiChanged() override;
    bool OnCommand(int id, int code, HWND control) override;
    void PaintPage(HDC dc, const RECT& client) override;

private:
    void SelectGroup(int groupId);
    void ClickEntry(int entryId);
    void ShowGroupEntries(int groupIndex, bool show);
    void CheckForUpdates();

    std::array<std::unique_ptr<CMyButton>, kGroupCount> groups_;
    std::array<std::unique_ptr<CMyButton>, kEntryCount> entries_;
    std::array<int, kGroupCount> selectedEntry_{};
    std::unique_ptr<CMyButton> about_, help_, update_;
    int selectedGroup_ = 0;

    CImage* background_ = nullptr;
    CImage* logo_ = nullptr;
    CImage* rightPanel_ = nullptr;
    CImage* productName_ = nullptr;
    CImage* separator1_ = nullptr;
    CImage* separator2_ = nullptr;
};

}  // namespace ui
