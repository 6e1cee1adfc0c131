// Which subkeys a category's key walk enters, and the two name tests the
// scope and the scanners share. Pure text rules.
#pragma once

#include <string_view>

namespace pure {

// 38 characters, "{" first and "}" last; nothing else is looked at.
bool IsGuidString(std::wstring_view text);

// The text begins with ".".
bool IsExtensionName(std::wstring_view text);

// The scope rule of a category's walk. `category` is compared without regard
// to case; for "COM/ActiveX Entries" `entrySubKey` (any case) picks the COM
// tree. `upperName` is the subkey's name in upper case (for "Program
// Shortcuts" the folder's full path in upper case); `depth` is the depth the
// subkey would have (the entry's own key is 0). Unknown categories enter
// nothing.
bool ShouldScanSubKey(std::wstring_view category, std::wstring_view entrySubKey, std::wstring_view upperName,
                      int depth);

}  // namespace pure
