// The startup manager page: the programs Windows starts at log-on, enabled
// or disabled in the list's "Action" column, their file properties on a
// double click in "Program", and "Remove" for the selected one. A check box
// under the list chooses whether disabled programs are listed.
#pragma once

#include <string>

#include "controls/CheckBox.h"
#include "controls/ListCtrl.h"
#include "pages/PageBase.h"

namespace ui {

class CStartupManager : public CPageBase {
public:
    static constexpr int kListId = 1614;
    static constexpr int kShowDisabledId = 1719;
    static constexpr int kStatusColumn = 0;
    static constexpr int kProgramColumn = 1;
    static constexpr int kActionColumn = 2;

    CStartupManager();
    ~CStartupManager() override;
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnPrimaryAction() override;  // "Remove"

    // A single click in a row's column, a double click (the list's handlers).
    void OnCellClick(int row, int column);
    void OnCellDoubleClick(int row, int column);
    // The check box was clicked.
    void OnShowDisabledClicked();

    CListCtrlCl& List() { return list_; }
    CCheckBox& ShowDisabledBox() { return showDisabled_; }
    const PtrArray<StartupItem>& Items() const { return items_; }
    int Total() const { return total_; }
    int EnabledCount() const { return enabled_; }

    std::vector<ShownText> Texts() const override;

protected:
    void OnCreate() override;
    void OnSize(int w, int h) override;
    void OnDpiChanged() override;
    bool OnCommand(int id, int code, HWND control) override;
    void PaintPage(HDC dc, const RECT& client) override;

private:
    // Replaces the items with a fresh listing and counts them.
    void Reload();
    // One row per item, disabled ones only when `listDisabled`.
    void FillRows(bool listDisabled);
    void Recount(int delta);
    void Toggle(int row);
    bool Disable(StartupItem& item);
    bool Enable(StartupItem& item);
    void Tell(const std::wstring& text);
    ShownText ShowDisabledLabel(const RECT& client) const;

    CListCtrlCl list_;
    CCheckBox showDisabled_;
    // The page's own items; row i shows item i.
    PtrArray<StartupItem> items_;
    int total_ = 0;
    int enabled_ = 0;
    bool listingDisabled_ = true;
};

// Registry.ini, [StartupManage] "ShowDisable"; empty when absent. The write
// is false when the file does not hold the value afterwards.
std::wstring ReadShowDisable();
bool WriteShowDisable(bool show);

}  // namespace ui
