// The registry defrag page: analyses the hives on entry, draws the volume's
// cluster map with the hives on it, lists the hives with their sizes and
// states, compacts and defragments them ("Defragment", "Stop") and then
// offers the restart that swaps the compacted hives in ("Reboot").
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "controls/Gdi.h"
#include "controls/ReportList.h"
#include "pages/DefragMap.h"
#include "pages/PageBase.h"
#include "pages/StatusTextFifo.h"

namespace ui {

class CDefragChildWnd : public CPageBase {
public:
    static constexpr int kListId = 1713;
    // The page state.
    static constexpr int kNothingDone = 0;
    static constexpr int kAnalysed = 1;
    static constexpr int kFinished = 3;
    // The engine worker the page waits for.
    enum class Worker : int { None, Analysis, Run, Redraw };

    static constexpr wchar_t kCompactWarning[] =
        L"Compacting replaces the registry hives at the next restart of the computer;\r\n"
        L"changes made to the registry until then will be lost.\r\n\r\nDo you want to go on?";

    CDefragChildWnd();
    ~CDefragChildWnd() override;
    void OnPageEnter() override;
    void OnPageLeave() override;
    void OnAppClosing() override;
    void OnPrimaryAction() override;  // "Defragment", "Stop", "Reboot"

    void OnDefragItem(int index, int kind) override;
    void OnDefragFinished(int phase, int result) override;
    void OnDefragBusy() override;
    bool OnDefragIdle() override;
    void OnDefragDrawRange(uint64_t total, uint64_t first, uint64_t end, int colour) override;
    void OnDefragClearMap() override;
    void OnDefragStatusText(const std::wstring& text) override;
    void DrainDefragStatus() override;

    int State() const { return state_; }
    Worker CurrentWorker() const { return static_cast<Worker>(worker_.load()); }
    int RunningFlag() const { return __atomic_load_n(&running_, __ATOMIC_SEQ_CST); }
    int RedrawFlag() const { return __atomic_load_n(&redraw_, __ATOMIC_SEQ_CST); }
    CReportList& List() { return list_; }
    StatusTextFifo& Status() { return status_; }
    const RECT& MapRect() const { return map_.Rect(); }
    const RECT& StatusRect() const { return statusRect_; }
    // The map surface's colour at a page point (tests), CLR_INVALID outside.
    COLORREF SurfaceAt(int x, int y) { return map_.At(x, y); }

    // The instruction and the map's legend.
    std::vector<ShownText> Texts() const override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCreate() override;
    void OnSize(int w, int h) override;
    bool OnTimer(UINT_PTR id) override;
    void OnDpiChanged() override;
    bool OnNotify(const NMHDR& hdr) override;
    void PaintPage(HDC dc, const RECT& client) override;

private:
    void StartWorker(Worker kind);
    void EndWorker();
    // Starts a full map redraw, or asks the running worker for one.
    void RequestRedraw();
    void InsertRows();
    void ApplyRow(int row, const HiveItem& hive, int kind);
    void OnSelectionChanged(const NMLISTVIEW& change);
    void ShowAction(const wchar_t* caption, bool enabled);
    void AskReboot();
    // Pumps messages until the page's worker has ended (bounded).
    void WaitForWorker();

    CReportList list_;
    CDefragMap map_;
    RECT statusRect_{};

    StatusTextFifo status_;
    gdi::Font legendFont_;

    // The engine's flags (written by its workers too).
    int running_ = 2;
    int redraw_ = 0;
    int state_ = kNothingDone;
    std::atomic<int> worker_{static_cast<int>(Worker::None)};
    bool redrawAfterWorker_ = false;
    PtrArray<HiveItem>* hives_ = nullptr;  // the engine's
    uint64_t total_ = 0;
};

}  // namespace ui
