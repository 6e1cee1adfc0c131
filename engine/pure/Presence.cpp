#include "pure/Presence.h"

#include "corvex/NotChecked.h"

namespace pure {
namespace {

constexpr uint32_t kErrorFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
constexpr uint32_t kErrorPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
constexpr uint32_t kErrorNoMoreFiles = 18;  // ERROR_NO_MORE_FILES

}  // namespace

Presence PresenceOfFindError(uint32_t error)
{
    if (error == 0) return Presence::Present;
    if (error == kErrorFileNotFound || error == kErrorPathNotFound || error == kErrorNoMoreFiles)
        return Presence::Missing;
    return Presence::Unknown;
}

Presence PresenceOfKeyOpenError(uint32_t error)
{
    if (error == 0) return Presence::Present;
    return error == kErrorFileNotFound ? Presence::Missing : Presence::Unknown;
}

bool IsJudgedDrive(unsigned type, uint32_t readyError, int& reason)
{
    switch (type) {
    case kDriveFixed:
    case kDriveRamDisk:
        if (readyError == 0) return true;
        reason = NotCheckedPath::kDriveNotReady;
        return false;
    case kDriveRemovable:
    case kDriveRemote:
    case kDriveCdRom:
        reason = NotCheckedPath::kDriveNotFixed;
        return false;
    case kDriveNoRootDir:
        reason = NotCheckedPath::kNoSuchDrive;
        return false;
    default:
        reason = NotCheckedPath::kDriveNotFixed;
        return false;
    }
}

}  // namespace pure
