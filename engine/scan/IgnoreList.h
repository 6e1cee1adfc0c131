// The ignore list: problems the user never wants reported again, kept in
// IgnoreList.dat in the current directory.
#pragma once

#include "core/RegEngine.h"

namespace scan {

inline constexpr wchar_t kIgnoreListFile[] = L"IgnoreList.dat";
inline constexpr wchar_t kIgnoreListCaption[] = L"IgnoreList.dat";

// Reads IgnoreList.dat into engine.ignoreList when that list is empty. A
// missing or empty file is an empty list; a damaged one is an empty list and
// one report box, and the file is left as it is.
void LoadIgnoreList(CRegEngine& engine);

// Writes the whole list through a temporary file renamed over the old one.
// False (after a report box) when the file could not be replaced.
bool SaveIgnoreList(const PtrArray<RegScanCategory>& list);

// Marks the problems of `result` that the ignore list holds as ignored and
// takes them out of the counts. Only problems not ignored yet can match.
void ApplyIgnoreList(CRegEngine& engine, RegScanCategory& result, XMLElement& category);

// Sets or clears a problem's selected flag; an ignored problem is never
// selected. The checked counter moves only when the flag really changes.
void SetSelected(CRegEngine& engine, RegEntryProb& problem, bool selected);

}  // namespace scan
