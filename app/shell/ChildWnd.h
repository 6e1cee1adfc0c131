// The page base class: a child window of the main window with enter, leave
// and closing hooks, and the engine reports meant for the page.
#pragma once

#include <cstdint>
#include <string>

#include "controls/Window.h"
#include "corvex/EngineTables.h"

namespace ui {

class ProgressTextQueue;

class CMyChildWnd : public CWindow {
public:
    CMyChildWnd(int id, std::wstring title, std::wstring subTitle);

    bool Create(HWND parent, const RECT& r);

    int Id() const { return id_; }
    const std::wstring& Title() const { return title_; }
    const std::wstring& SubTitle() const { return subTitle_; }

    virtual void OnPageLeave();  // default: hide
    virtual void OnPageEnter();  // default: show
    virtual void OnAppClosing() {}

    // Engine reports, on the UI thread, only while this page is current.
    virtual void OnScanStarted(PtrArray<XMLElement>*) {}
    virtual void OnScanCategory(int) {}
    virtual void OnFixProgress(int) {}
    virtual void OnFixFinished(int) {}
    virtual void OnBackupFinished(int) {}
    virtual void OnRestoreFinished() {}
    virtual void OnDefragItem(int, int) {}
    virtual void OnDefragFinished(int, int) {}
    virtual void OnDefragBusy() {}
    // True when this report ended the page's worker (a map redraw).
    virtual bool OnDefragIdle() { return false; }
    // Map and status reports, called on the worker thread itself: the page
    // stores them under its own lock and paints them on its timer.
    virtual void OnDefragDrawRange(uint64_t /*total*/, uint64_t /*first*/, uint64_t /*end*/, int /*colour*/) {}
    virtual void OnDefragClearMap() {}
    virtual void OnDefragStatusText(const std::wstring&) {}
    // Worker thread: waits, bounded, until the page has shown every queued
    // status text.
    virtual void DrainDefragStatus() {}
    // The page's progress texts (scan and clean pages), else null.
    virtual ProgressTextQueue* ProgressQueue() { return nullptr; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Paints the whole client area; the default fills it white.
    virtual void PaintPage(HDC dc, const RECT& client);

private:
    int id_;
    std::wstring title_;
    std::wstring subTitle_;
};

}  // namespace ui
