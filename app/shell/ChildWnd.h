// The page base class: a child window of the main window with enter, leave
// and closing hooks, the engine reports meant for the page, hooks for its
// own messages, and the instruction line every page but the main menu shows
// at its top.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "controls/Dpi.h"
#include "controls/Window.h"
#include "corvex/EngineTables.h"

namespace ui {

class ProgressTextQueue;

// A fixed text a page draws: where, in which font and how (DrawText flags).
// Pages paint their texts from these, and the tests measure the same ones.
struct ShownText {
    std::wstring text;
    RECT rect{};
    HFONT font = nullptr;
    UINT format = DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    COLORREF colour = RGB(0, 0, 0);
};
void DrawShownText(HDC dc, const ShownText& t);
// The keyboard's mark around a drawn text (the label of a focused check box).
void DrawFocusAround(HDC dc, const ShownText& t);

// The instruction at a page's top and the grey rule under it, in design
// units. The text runs from x 70 to the page width less `rightInset`,
// between `top` and `bottom`: one line centred vertically, or word-wrapped
// from the top.
struct PageInstruction {
    const wchar_t* text = nullptr;
    int top = 0;
    int bottom = 0;
    int rightInset = 0;
    int ruleY = 0;
    bool wrap = false;
};

class CMyChildWnd : public CWindow {
public:
    CMyChildWnd(int id, std::wstring title, std::wstring subTitle, PageInstruction instruction = {});

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

    // The fixed texts the page draws at its present size and state: the
    // instruction and, for pages that have them, labels and legends.
    virtual std::vector<ShownText> Texts() const;

    // The DPI the page lays itself out for; a change lays it out again.
    void SetDpi(int dpi);
    int DpiValue() const { return dpi_.value(); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    // The page's own messages. The command and notification hooks return
    // true when they handled the message; a command they leave goes on to
    // the main window (page buttons such as "About" and "Help").
    virtual void OnCreate() {}
    virtual void OnSize(int /*w*/, int /*h*/) {}
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(const NMHDR& /*hdr*/) { return false; }
    virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
    // The DPI changed: fonts and controls follow (OnSize comes after).
    virtual void OnDpiChanged() {}
    // Design lengths at the page's DPI.
    const Dpi& Scaled() const { return dpi_; }

    // Paints the whole client area: white, the instruction's rule, and the
    // texts of Texts(). Pages that draw more call it first.
    virtual void PaintPage(HDC dc, const RECT& client);
    // The instruction as drawn in `client`; an empty text when there is none.
    ShownText Instruction(const RECT& client) const;
    // The main window's status font, which pages use for their instructions.
    static HFONT StatusFont();

private:
    int id_;
    std::wstring title_;
    std::wstring subTitle_;
    PageInstruction instruction_;
    Dpi dpi_;
};

}  // namespace ui
