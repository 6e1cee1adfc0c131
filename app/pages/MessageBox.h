// The skinned Yes/No question box and the About box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

constexpr int kBoxWarning = 8000;
constexpr int kBoxInformation = 8001;
constexpr int kIdYes = 1025;
constexpr int kIdNo = 1026;

// The box's text area from the measured text (tw × th) and the owner's
// client size.
RECT MessageBoxTextArea(int tw, int th, int ownerWidth, int ownerHeight);
// The box's outer rectangle over the owner's client area (screen
// coordinates); its least height of 160 is scaled to `dpi`.
RECT MessageBoxPlacement(const RECT& textArea, const RECT& ownerArea, int dpi = 96);
// The icon image of a kind, or empty for other kinds.
std::wstring MessageBoxIconPath(int kind);

// Runs the box modally over `owner`: 1 after "Yes", 0 otherwise.
int RunMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, int kind);
void RunAboutDialog(HWND owner);

// While set, RunMessageBox returns the hook's answer instead of opening the
// box (tests answer the question without a modal loop). Empty clears it.
using MessageBoxAnswer = std::function<int(const std::wstring& text, const std::wstring& caption, int kind)>;
void SetMessageBoxAnswer(MessageBoxAnswer answer);

// The platform's standard message box (MessageBoxW) as the pages use it for
// plain questions and notices; returns IDYES, IDNO, IDOK...
int RunStandardBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags);
// While set, RunStandardBox returns the hook's answer instead of opening
// the box. Empty clears it.
using StandardBoxAnswer = std::function<int(const std::wstring& text, const std::wstring& caption, UINT flags)>;
void SetStandardBoxAnswer(StandardBoxAnswer answer);

// Restarts the computer: enables "SeShutdownPrivilege" on the process token
// and calls ExitWindowsEx(EWX_REBOOT, 0). False when either step failed.
bool RestartComputer();
// While set, RestartComputer calls the hook and returns its result instead.
using RestartHook = std::function<bool()>;
void SetRestartHook(RestartHook hook);

}  // namespace ui
