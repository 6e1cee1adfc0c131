// Every message box the engine shows goes through here, so tests can capture
// what would be shown instead of blocking on a dialog. Production shows a
// MessageBoxW with no owner window on the calling thread; boxes from several
// threads are shown one at a time.
#pragma once

#include <windows.h>

#include <string>

namespace report {

// Receives caption, text and MessageBox flags; returns what MessageBoxW would.
using Sink = int (*)(const std::wstring& text, const std::wstring& caption, UINT flags);

// Installs a sink (null restores the real message box); returns the old one.
Sink SetSink(Sink sink);

int Show(const std::wstring& text, const wchar_t* caption, UINT flags);

// The error report box: the message text of a system error code, the
// operation as caption, the error icon.
void ShowError(DWORD code, const wchar_t* caption);

}  // namespace report
