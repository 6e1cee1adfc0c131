// The volume interface on the real system: the file system's control
// requests on the volume handle and on file handles.
#pragma once

#include <memory>
#include <string>

#include "pure/VolumeAccess.h"

namespace defrag {

// CreateFileW(volumeName, GENERIC_READ, share read and write, OPEN_EXISTING);
// null and *error on failure.
std::unique_ptr<vol::Volume> OpenWinVolume(const std::wstring& volumeName, uint32_t* error);

}  // namespace defrag
