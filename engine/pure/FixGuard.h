// The rule that keeps a fix from removing more than the one broken entry: no
// root, no hive's top key, no vendor key, no well-known container as a whole,
// no key tree past a limit. No windows.h.
#pragma once

#include <string>

#include "corvex/FixExtent.h"

namespace pure {

struct GuardLimits {
    unsigned maxTreeKeys = 200;
    unsigned maxTreeValues = 1000;
};

// Why deleting the whole key root\path is refused; empty when it may go.
// Root names are the long ones ("HKEY_LOCAL_MACHINE"); a "Wow6432Node" step
// of the path does not change what the key is.
std::wstring ContainerRefusal(const std::wstring& rootName, const std::wstring& path);

// Why a fix with this action (0 value, 1 key, 2 key tree) and this measured
// extent is refused at root\path; empty when it may be fixed.
std::wstring FixRefusal(int fixAction, const std::wstring& rootName, const std::wstring& path,
                        const FixExtent& extent, const GuardLimits& limits);

// The reason a fix gives when its target is no longer what the scan measured.
std::wstring ChangedSinceScanRefusal();

}  // namespace pure
