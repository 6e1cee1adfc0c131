// Where a registry key really is, from the full name the system gives an
// opened key. On Windows HKEY_CLASSES_ROOT merges the user's classes over
// the machine's, so a key opened through it is one of two real keys.
#pragma once

#include <string>
#include <string_view>

namespace pure {

struct KeyLocation {
    std::wstring rootName;  // HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_USERS
    std::wstring path;      // below that root, never empty
};

// "\REGISTRY\MACHINE\X" is HKEY_LOCAL_MACHINE\X; "\REGISTRY\USER\<sid>\X"
// is HKEY_CURRENT_USER\X for the user's own SID and HKEY_USERS\<sid>\X for
// another; "\REGISTRY\USER\<sid>_Classes\X" is the user's
// HKEY_CURRENT_USER\Software\Classes\X (HKEY_USERS\<sid>_Classes\X for
// another). False for any other name and for a root itself.
bool LocationFromSystemName(std::wstring_view systemName, std::wstring_view userSid, KeyLocation& out);

}  // namespace pure
