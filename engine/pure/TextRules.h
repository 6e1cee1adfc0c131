// Small text rules shared by the scanners, free of any Windows call.
#pragma once

#include <string>
#include <string_view>

namespace pure {

// Upper/lower case of ASCII letters only, so results never depend on the
// thread's locale (registry and settings names are compared this way).
wchar_t AsciiUpper(wchar_t c);
std::wstring ToUpper(std::wstring_view s);
std::wstring ToLower(std::wstring_view s);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool Contains(std::wstring_view text, std::wstring_view part);  // case-sensitive

// The display form of a key path found in the 32-bit view on 64-bit Windows:
// "Wow6432Node" after the first path component (SOFTWARE\Classes\X becomes
// SOFTWARE\Wow6432Node\Classes\X). A path without a backslash gets
// "Wow6432Node\" in front, so the result is still a well-formed path.
std::wstring InsertWow6432Node(std::wstring_view keyPath);

}  // namespace pure
