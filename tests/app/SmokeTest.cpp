// Starts the real Tamsel.exe from a copy of the program folder (what it
// writes stays there), waits for its window, saves a picture of it in the
// build folder, and checks that a second start only says it is running.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "app/AppTestEnv.h"
#include "support/TestEnv.h"

namespace {

struct Process {
    PROCESS_INFORMATION pi{};
    bool started = false;
    ~Process()
    {
        if (!started) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(pi.hProcess, 1);
            WaitForSingleObject(pi.hProcess, 5000);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    bool Start(const std::wstring& exe, const std::wstring& args = L"")
    {
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
        started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
        return started;
    }
    bool Exited(DWORD ms) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
};

HWND WaitForWindow(const wchar_t* cls, const wchar_t* title, DWORD ms)
{
    HWND found = nullptr;
    apptest::PumpUntil([&] { return (found = FindWindowW(cls, title)) != nullptr; }, ms);
    return found;
}

struct BoxSearch {
    DWORD pid;
    const wchar_t* text;
    HWND found;
};

BOOL CALLBACK FindText(HWND child, LPARAM lp)
{
    auto* c = reinterpret_cast<BoxSearch*>(lp);
    wchar_t t[128] = L"";
    GetWindowTextW(child, t, 128);
    if (lstrcmpW(t, c->text) != 0) return TRUE;
    c->found = GetParent(child);
    return FALSE;
}

BOOL CALLBACK FindBoxWindow(HWND h, LPARAM lp)
{
    auto* c = reinterpret_cast<BoxSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    wchar_t cls[32] = L"";
    GetClassNameW(h, cls, 32);
    if (owner != c->pid || lstrcmpW(cls, L"#32770") != 0) return TRUE;
    EnumChildWindows(h, &FindText, lp);
    return c->found ? FALSE : TRUE;
}

// The message box of process `pid` whose text is `text`.
HWND FindBox(DWORD pid, const wchar_t* text)
{
    BoxSearch search{pid, text, nullptr};
    EnumWindows(&FindBoxWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A copy of the program folder: the program writes its settings and the
// last scan's summary beside itself, and the build's folder must stay as
// the build made it.
class TamselSmoke : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(testenv::CopyDeliverables(folder_.path())); }
    std::wstring Exe() const { return folder_.File(L"Tamsel.exe"); }

    apptest::ComInit com_;
    testenv::ScratchDir folder_{L"smoke"};
};

TEST_F(TamselSmoke, WindowShowsAndASecondStartSaysItIsRunning)
{
    const std::wstring exe = Exe();
    // Xvfb has no window manager: let Wine draw the frames itself, so the
    // custom caption is part of the picture (this prefix is the tests' own).
    HKEY x11 = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &x11,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(x11, L"Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"N"), 2 * sizeof(wchar_t));
        RegCloseKey(x11);
    }
    Process first;
    ASSERT_TRUE(first.Start(exe)) << GetLastError();
    HWND main = WaitForWindow(L"TamselMainWindow", L" Tamsel", 30000);
    ASSERT_NE(main, nullptr) << "no main window within 30 s";
    apptest::Pump(1500);  // let it paint

    RECT wr{};
    GetWindowRect(main, &wr);
    const int w = wr.right - wr.left, h = wr.bottom - wr.top;
    EXPECT_EQ(w, 799);
    EXPECT_EQ(h, 602);
    size_t colours = 0;
    std::unique_ptr<apptest::Canvas> shot = apptest::CaptureWindow(main, L"tamsel-main.png", &colours);
    EXPECT_GT(colours, 8u) << "the window picture is blank";
    // The bottom bar carries the skin's gradient, not the plain page white.
    EXPECT_NE(shot->At(w / 2, h - 20), RGB(255, 255, 255));

    Process second;
    ASSERT_TRUE(second.Start(exe));
    HWND box = nullptr;
    apptest::PumpUntil([&] { return (box = FindBox(second.pi.dwProcessId, L"The application is running!")) != nullptr; },
                       30000);
    ASSERT_NE(box, nullptr) << "no \"The application is running!\" box";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(second.Exited(15000));
    EXPECT_TRUE(IsWindow(main));  // the first instance keeps running

    // With no Registry.ini the caption's close ends the program at once.
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(first.Exited(15000));
}

TEST_F(TamselSmoke, ScanArgumentOpensTheScanPageWithItsHeader)
{
    Process app;
    ASSERT_TRUE(app.Start(Exe(), L"-scan"));
    HWND main = WaitForWindow(L"TamselMainWindow", L" Tamsel", 30000);
    ASSERT_NE(main, nullptr);
    apptest::Pump(1500);
    std::unique_ptr<apptest::Canvas> shot = apptest::CaptureWindow(main, L"tamsel-scan.png");
    // The title "Scan & Clean Windows Registry" is drawn in dark blue in the header.
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    RECT wr{};
    GetWindowRect(main, &wr);
    const int dx = origin.x - wr.left, dy = origin.y - wr.top;
    int titleInk = 0;
    for (int y = 30; y < 47; ++y)
        for (int x = 105; x < 425; ++x) {
            COLORREF c = shot->At(x + dx, y + dy);
            if (GetBValue(c) < 140 && GetRValue(c) < 100) ++titleInk;
        }
    EXPECT_GT(titleInk, 50) << "no page title in the header";
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(app.Exited(15000));
}

}  // namespace
