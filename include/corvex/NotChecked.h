// A path or key the scan's checks could not judge: the system would not say
// whether it is there, or it is on a drive that is absent or not a fixed
// one. It is never a problem (nothing is fixed for it); each category's
// result lists its own beside the problems, so a user can see what was left
// alone. Plain C++ without windows.h: the engine fills it, the program and
// the console tool show it.
#pragma once

#include <cstdint>
#include <string>

struct NotCheckedPath {
    enum Reason : int {
        kSystemError =
            0,  // the file search or key open failed, but not with "not there"; error holds the code
        kNoSuchDrive = 1,    // no drive has the path's letter today
        kDriveNotReady = 2,  // a fixed drive whose volume does not answer; error holds the code
        kDriveNotFixed = 3,  // a removable, optical, network or unknown kind of drive
        kNetworkPath = 4,    // \\server\share\...
    };
    virtual ~NotCheckedPath() = default;
    std::wstring path;  // the file path as tested, or HKEY_CLASSES_ROOT\... for a key
    int reason = kSystemError;
    uint32_t error = 0;  // the system's error code; 0 when the kind of drive decided
};

// "system error", "no such drive", "drive not ready", "drive not fixed",
// "network path"; "reason N" for anything else.
inline std::wstring NotCheckedReasonName(int reason)
{
    switch (reason) {
    case NotCheckedPath::kSystemError:
        return L"system error";
    case NotCheckedPath::kNoSuchDrive:
        return L"no such drive";
    case NotCheckedPath::kDriveNotReady:
        return L"drive not ready";
    case NotCheckedPath::kDriveNotFixed:
        return L"drive not fixed";
    case NotCheckedPath::kNetworkPath:
        return L"network path";
    default:
        return L"reason " + std::to_wstring(reason);
    }
}
