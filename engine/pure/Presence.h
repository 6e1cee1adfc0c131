// What an existence check found out. The scan may only call something
// missing when the system said so: a file search that ends in "file not
// found", "path not found" or "no more files", a key open that ends in "not
// found". Any other failure (access denied, a drive not ready, a name too
// long, a sharing violation, a network that does not answer) means the check
// cannot tell, and a check that cannot tell never makes a problem.
#pragma once

#include <cstdint>

namespace pure {

enum class Presence { Missing, Present, Unknown };

// Two alternatives (two cuts of a path, two registry views, two file views):
// present when either is, missing only when both surely are.
constexpr Presence EitherOf(Presence a, Presence b)
{
    if (a == Presence::Present || b == Presence::Present) return Presence::Present;
    if (a == Presence::Unknown || b == Presence::Unknown) return Presence::Unknown;
    return Presence::Missing;
}

// The answer of a file search that ended with `error` (0: it found an entry).
Presence PresenceOfFindError(uint32_t error);

// The answer of a registry key open that ended with `error` (0: opened).
Presence PresenceOfKeyOpenError(uint32_t error);

// Drive types as the system's drive-type query gives them.
enum DriveType : unsigned {
    kDriveUnknown = 0,
    kDriveNoRootDir = 1,
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdRom = 5,
    kDriveRamDisk = 6,
};

// Whether paths on a drive are judged at all. Only a fixed drive (or a RAM
// disk) whose volume answers can say a file is gone for good: a removable,
// optical or network drive, or a letter that names no drive today, may hold
// the file again tomorrow. `readyError` is the volume query's error (0 when
// it answered; only asked for fixed drives). False, with a NotCheckedPath
// reason, for every drive that is not judged.
bool IsJudgedDrive(unsigned type, uint32_t readyError, int& reason);

}  // namespace pure
