// The main window: header, bottom bar, eleven pages, custom caption, tray.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/Gdi.h"
#include "controls/ImageCache.h"
#include "controls/MyButton.h"
#include "controls/Window.h"
#include "shell/ChildWnd.h"
#include "shell/PageIds.h"
#include "shell/WorkerCount.h"

namespace ui {

struct MainDlgOptions {
    std::wstring commandLine;
    bool bindEngine = true;      // tests put a table of their own in g_engine
    bool trayIcon = true;
    int closeWaitSlices = 5000;  // 10 ms each
    bool quitOnDestroy = true;   // ends the message loop when the window goes
    std::wstring folder;         // where relative paths resolve; empty: the program's folder
};

class CKelvuDlg : public CWindow {
public:
    // The design, at 96 DPI; the window scales it to its DPI.
    static constexpr int kOuterWidth = 799;
    static constexpr int kOuterHeight = 602;
    static constexpr int kHeaderHeight = 82;
    static constexpr int kBottomHeight = 60;

    explicit CKelvuDlg(MainDlgOptions options = {});
    ~CKelvuDlg() override;

    // Creates and initialises the window; false when it could not be
    // created or the engine could not be bound (the window is then gone).
    bool Create();

    void ShowPage(CMyChildWnd* page);
    CMyChildWnd* CurrentPage() const { return current_; }
    CMyChildWnd* Page(int id) const;

    void SetStatusLine1(const wchar_t* text);
    void SetStatusLine2(const wchar_t* text);
    void SetStatusLine3(const wchar_t* text);
    void SetStatusLine(int line, const wchar_t* text);  // line 0-2
    const std::optional<std::wstring>& StatusLine(int i) const { return status_[static_cast<size_t>(i - 1)]; }
    void SetActionButtonText(const std::wstring& text);
    // Sizes and places the header and bottom-bar buttons for their captions.
    void RelayoutBars();

    // Bottom-bar set-ups: enter (true) or leave (false).
    void SetupMainMenu(bool enter);
    void SetupScan(bool enter);
    void SetupSelect(bool enter);
    void SetupBackup(bool enter);
    void SetupSchedule(bool enter);
    void SetupRemove(bool enter);
    void SetupOkSettings(bool enter);
    void SetupOkScanArea(bool enter);

    CMyButton* Button(int id);
    void EnableButton(int id, bool enable);

    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, int kind);

    // Closing: the current page is asked to stop and the window waits for
    // every engine worker before it goes.
    bool IsClosing() const { return closing_; }
    WorkerCount& Workers() { return workers_; }
    HANDLE ScanIdleEvent() const { return scanIdle_; }
    void ResetScanIdle();
    void SetScanIdle();
    HFONT StatusFont() const { return statusFont_.get(); }
    int DpiValue() const { return dpi_.value(); }
    int HeaderHeight() const { return dpi_(kHeaderHeight); }
    int BottomHeight() const { return dpi_(kBottomHeight); }
    // The window moved to a monitor of another DPI (WM_DPICHANGED), or is
    // told so by a test: fonts, buttons and pages follow, and the window
    // takes the `suggested` rectangle (screen), or its design size at the
    // new DPI where none is given.
    void ApplyDpi(int dpi, const RECT* suggested = nullptr);
    bool Closed() const { return hwnd_ == nullptr; }

    // The texts the window draws itself now: the page's title and
    // sub-title and the status lines, where and how.
    std::vector<ShownText> Texts() const;

    // The message loop's look at each message before it is dispatched:
    // the caption tooltip, Tab and accelerator letters (the dialog
    // manager), Enter on a focused button clicks it, Esc does nothing (the
    // window is no dialog to leave). True when the message was handled.
    bool PreTranslate(MSG& msg);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool Initialise();
    void CreateButtons();
    void CreatePages();
    void Layout(int w, int h);
    void MakeFonts();
    // Where page `id` lies in a client area of w x h.
    RECT PageRect(int id, int w, int h) const;
    void OnCommand(int id);
    void OnSysCommand(WPARAM wp, LPARAM lp, bool* handled);
    void OnSysClose();
    void CloseSequence();
    // The session's end: refused while a worker runs; when it comes anyway,
    // the work stops or ends before the window goes.
    bool OnQueryEndSession();
    void OnSessionEnding();
    void HideToTray();
    void AddTrayIcon();
    void OnTrayNotify(LPARAM lp);
    void OnTaskbarMenu();
    void RelayToTooltip(const MSG& msg);
    // Gives the keyboard to the current page's first control.
    void FocusPage();
    void ShowAbout();
    void ShowHelp();
    void RouteAction();

    void Paint(HDC dc, const RECT& client);
    // Where status line `line` (0-2) is drawn: beside the visible bottom-bar
    // buttons, never under them.
    RECT StatusRect(int line) const;
    // Places the bottom-bar buttons from the right edge, each wide enough
    // for its caption, and the header buttons likewise.
    void PlaceBars(int w, int h);
    void DrawCaption();
    RECT CaptionRect(int which) const;  // 0 icon, 1 minimise, 2 close (window coordinates)
    int CaptionButtonAt(POINT screen) const;
    void OnNcMouseMove(POINT screen);
    bool OnNcButtonUp(POINT screen);
    void UpdateTooltipRects();

    MainDlgOptions options_;
    std::array<std::unique_ptr<CMyChildWnd>, kPageCount> pages_;
    CMyChildWnd* current_ = nullptr;
    std::unique_ptr<CMyButton> help_, mainMenu_, action_, second_, third_, fullBackup_;
    std::array<std::optional<std::wstring>, 3> status_;
    gdi::Font titleFont_, subTitleFont_, statusFont_, captionFont_;
    CImage* bgMain_ = nullptr;
    CImage* productTitle_ = nullptr;
    CImage* subnaviLeft_ = nullptr;
    CImage* subnaviMiddle_ = nullptr;
    CImage* subnaviRight_ = nullptr;
    CImage* titleLogo_ = nullptr;
    CImage* titleBarBg_ = nullptr;
    HANDLE scanIdle_ = nullptr;
    bool closing_ = false;
    bool shutdownBlocked_ = false;
    bool initialised_ = false;
    Dpi dpi_;
    bool trayAdded_ = false;
    HWND tooltip_ = nullptr;
    HWND lastFocus_ = nullptr;  // the control that had the keyboard when the window was left
    HICON icon_ = nullptr;
    int captionBitmap_ = 0;
    WorkerCount workers_;
};

// The one main window, read by the engine callbacks.
extern CKelvuDlg* g_mainDlg;

// Registry.ini: a setting counts only when it reads exactly "TRUE".
bool ProgramSettingIsTrue(const wchar_t* key);
// The command line that starts a scan at once.
bool IsScanCommandLine(const std::wstring& args);

}  // namespace ui
