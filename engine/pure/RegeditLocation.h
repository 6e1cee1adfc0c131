// Where the registry editor shows a key that was read in the 32-bit view of
// 64-bit Windows. The editor browses the 64-bit view, in which the 32-bit
// keys live below "Wow6432Node" nodes: HKEY_LOCAL_MACHINE\SOFTWARE\X is
// SOFTWARE\Wow6432Node\X, classes keys are Classes\Wow6432Node\X (also below
// HKEY_CLASSES_ROOT, where that is Wow6432Node\X), and keys outside SOFTWARE
// and the per-user non-classes keys are shared by both views.
#pragma once

#include <string>
#include <string_view>

namespace pure {

// The 64-bit view path of a 32-bit view key; the path unchanged when the key
// is not redirected or already names its Wow6432Node location.
std::wstring Wow6432NodeLocation(std::wstring_view rootName, std::wstring_view keyPath);

}  // namespace pure
