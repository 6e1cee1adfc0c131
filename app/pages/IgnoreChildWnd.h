// The ignore list page: the groups of the engine's ignore list on the left
// ("ALL Categories" first), their entries with check boxes on the right
// under a master row that checks or unchecks them all, and "Remove" to take
// the checked entries off the list.
#pragma once

#include <string>
#include <vector>

#include "controls/ReportList.h"
#include "pages/PageBase.h"

namespace ui {

class CIgnoreChildWnd : public CPageBase {
public:
    static constexpr int kGroupListId = 1612;
    static constexpr int kEntryListId = 1613;

    CIgnoreChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnPrimaryAction() override;  // "Remove"

    CReportList& Groups() { return groups_; }
    CReportList& Entries() { return entries_; }

protected:
    void OnCreate() override;
    void OnSize(int w, int h) override;
    void OnDpiChanged() override;
    bool OnNotify(const NMHDR& hdr) override;

private:
    // Where an entry row's entry lives in the engine's ignore list.
    struct EntryRef {
        int group;
        int entry;
    };

    void Fill();
    void ShowEntriesOf(int groupRow);
    void FitEntryColumn();
    void OnEntryChanged(const NMLISTVIEW& change);
    void OnEntryClicked(const NMITEMACTIVATE& click);
    void SetAllChecks(bool checked);
    void UpdateRemoveButton();

    CReportList groups_;
    CReportList entries_;
    PtrArray<RegScanCategory>* list_ = nullptr;  // the engine's
    std::vector<EntryRef> refs_;                 // one per entry row below the master row
    bool filling_ = false;
};

// The text of an entry row: the view, then root\path\value.
std::wstring IgnoreEntryText(const RegEntryProb& entry);

}  // namespace ui
