// Which drives the scan judges paths on. Only a fixed drive that answers can
// say a file is gone: a value naming K:\Tools\app.exe on a removed USB
// drive, an empty card reader or a disconnected network drive is not a
// leftover. Each drive is asked once per scan; Wine has no such drives, so
// tests install a scripted drive table.
#pragma once

#include <windows.h>

namespace scan {

// What the system says of one drive: its type (GetDriveTypeW) and, for a
// fixed drive or RAM disk, whether its volume answers (the error of
// GetVolumeInformationW, ERROR_SUCCESS when it does; other types are not
// asked).
struct DriveState {
    UINT type = DRIVE_UNKNOWN;
    DWORD readyError = ERROR_SUCCESS;
};

using DriveProbe = DriveState (*)(wchar_t letter);

// Installs a probe (null restores the system's answers); returns the
// previous one. Meant for tests, which install it before a scan starts.
DriveProbe SetDriveProbeForTests(DriveProbe probe);

// Paths on drive `letter` (A to Z, any case) are judged. When not, `reason`
// gets the NotCheckedPath reason and `error` the system's error (0 when the
// drive's type decided). Within a scan each drive is asked once.
bool IsJudgedDrive(wchar_t letter, int& reason, DWORD& error);

}  // namespace scan
