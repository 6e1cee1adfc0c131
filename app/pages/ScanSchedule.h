// The scan schedule page: the weekly triggers of the scan task as sentences,
// and "New", "Edit" and "Delete" through the schedule dialog.
#pragma once

#include <string>

#include "controls/ReportList.h"
#include "pages/PageBase.h"

namespace ui {

class CScanSchedule : public CPageBase {
public:
    static constexpr int kListId = 1615;

    CScanSchedule();
    ~CScanSchedule() override;
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnThirdAction() override;    // "New"
    void OnPrimaryAction() override;  // "Edit"
    void OnSecondAction() override;   // "Delete"

    CReportList& List() { return list_; }
    const PtrArray<ScangetTaskTrigger>& Triggers() const { return triggers_; }

protected:
    void OnCreate() override;
    void OnSize(int w, int h) override;
    void OnDpiChanged() override;
    bool OnNotify(const NMHDR& hdr) override;

private:
    // Lists the scan task's triggers afresh, first creating the task when
    // `ensureTask` and it is missing; "Edit" and "Delete" wait for a
    // selection again.
    // With ensureTask the task is made when missing; a task of the name
    // that starts another program is said and nothing is listed.
    void Refresh(bool ensureTask);
    // True when row still shows the task's trigger at that position; else
    // says so and lists the task afresh.
    bool StillShown(int row);
    void ClearRows();
    int SelectedRow() const;
    void EnableRowButtons(bool enable);
    void Tell(const std::wstring& text);

    CReportList list_;
    HIMAGELIST rowImages_ = nullptr;
    PtrArray<ScangetTaskTrigger> triggers_;
    bool foreignTask_ = false;
};

// A trigger of one week day set at hour:minute, weekly every week, starting
// today; its other fields stay as `base` has them.
TASK_TRIGGER WeeklyTrigger(const TASK_TRIGGER& base, unsigned days, int hour, int minute);
// The row text of a trigger.
std::wstring TriggerRowText(const TASK_TRIGGER& t);

}  // namespace ui
