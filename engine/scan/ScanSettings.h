// scanSetting.xml: the scan categories in scan order, their enabled flags and
// starting keys.
#pragma once

#include <string>

#include "core/RegEngine.h"

namespace scan {

inline constexpr wchar_t kSettingsFile[] = L"scanSetting.xml";

// Appends the categories of `file` to `out`. 1 when the whole document was
// walked, 0 when it could not be loaded or walked (reported). COM must be
// initialised on the calling thread.
int LoadCategories(PtrArray<XMLElement>& out, const std::wstring& file = kSettingsFile);

// Writes "flag" of the first category element named `elementName` (any
// case) and replaces the file whole; a failed save is reported and leaves
// the file as it was. COM must be initialised on the calling thread.
void WriteCategoryFlag(const std::wstring& elementName, const std::wstring& flag,
                       const std::wstring& file = kSettingsFile);

}  // namespace scan
