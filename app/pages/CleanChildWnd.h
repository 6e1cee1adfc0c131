// The clean page: takes a partial backup of the problems' keys, fixes the
// problems left checked and shows the outcome entry by entry.
#pragma once

#include <optional>

#include "pages/ProgressListPage.h"

namespace ui {

class CCleanChildWnd : public CProgressListPage {
public:
    // The page state while the backup and the fix run; afterwards the fix
    // result.
    static constexpr int kRunning = -1;
    static constexpr int kCompleted = 0;
    static constexpr int kStopped = 1;

    CCleanChildWnd();
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnAppClosing() override;
    // "Cancel" while the fix runs, "OK" or "Scan Again" after it.
    void OnPrimaryAction() override;

    void OnBackupFinished(int kind) override;
    void OnFixProgress(int index) override;
    void OnFixFinished(int result) override;

    int State() const { return state_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void StartRestorePoint();
    void OnRestorePointBegun(std::optional<INT64> point);
    void StartBackup();
    // Ends the restore point of this fix; the text the final line adds.
    std::wstring EndRestorePointText(bool keep);
    void AskFixWithoutBackup();
    void StartFixing();
    void FixNothing();
    void ShowActionButton(const wchar_t* caption, bool enabled);
    void ShowFixedTotal();
    // Problems of every listed entry when nothing of them was fixed.
    int ListedProblems() const;

    PtrArray<RegScanCategory>* results_ = nullptr;
    int state_ = kRunning;
    bool fixing_ = false;
    bool restorePointWanted_ = false;
    std::optional<INT64> restorePoint_;  // begun and not yet ended
};

}  // namespace ui
