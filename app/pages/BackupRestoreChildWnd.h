// The backup and restore page: the backups of the store with their time
// stamps and kinds, a full backup, the restore of one backup and the
// deletion of the selected ones. One operation runs at a time; its outcome
// is shown under the list.
#pragma once

#include <string>
#include <vector>

#include "controls/ReportList.h"
#include "pages/PageBase.h"

namespace ui {

class CBackupRestoreChildWnd : public CPageBase {
public:
    static constexpr int kListId = 1608;

    CBackupRestoreChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnPrimaryAction() override;     // "Restore"
    void OnSecondAction() override;      // "Delete"
    void OnFullBackupAction() override;  // "Take Full Registry Backup"
    void OnBackupFinished(int kind) override;
    void OnRestoreFinished() override;

    CReportList& List() { return list_; }
    bool Busy() const { return busy_; }
    const std::wstring& ResultText() const { return result_; }
    // The backup name of a row, empty for none.
    std::wstring NameOf(int row) const;

    std::vector<ShownText> Texts() const override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCreate() override;
    void OnSize(int w, int h) override;
    void OnDpiChanged() override;
    bool OnNotify(const NMHDR& hdr) override;

private:
    struct Row {
        std::wstring name;
        std::wstring stamp;  // the formatted time; empty when the name has none
        bool valid;          // restore and delete accept it
    };

    void Refresh();
    void UpdateButtons();
    // The first selected row restore and delete accept, -1 for none.
    int FirstValidSelected() const;
    void SetBusy(bool busy);
    void SetResult(const std::wstring& text);
    RECT ResultRect() const;

    CReportList list_;
    std::vector<Row> rows_;
    std::wstring result_;
    bool busy_ = false;
};

}  // namespace ui
