// Registry.ini, the program's own settings. A setting is written into a copy
// of the file, read back from it, and the copy renamed over the file in one
// step: the file is whole whatever happens, and a write that did not land is
// known.
#pragma once

#include <string>

namespace ui {

inline constexpr wchar_t kSettingsFile[] = L".\\Registry.ini";

// True when `file` holds the value afterwards; false leaves the file as it was.
bool WriteSetting(const wchar_t* section, const wchar_t* key, const std::wstring& value,
                  const wchar_t* file = kSettingsFile);

}  // namespace ui
