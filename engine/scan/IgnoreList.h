// The ignore list: problems the user never wants reported again.
#pragma once

#include "core/RegEngine.h"

namespace scan {

inline constexpr wchar_t kIgnoreListFile[] = L"IgnoreList.dat";

// Reads IgnoreList.dat into engine.ignoreList (a missing file is an empty list).
void LoadIgnoreList(CRegEngine& engine);

// Marks the problems of `result` that the ignore list holds as ignored and
// takes them out of the counts.
void ApplyIgnoreList(CRegEngine& engine, RegScanCategory& result, XMLElement& category);

}  // namespace scan
