// The ignore list: problems the user never wants reported again, kept in
// IgnoreList.dat in the current directory.
#pragma once

#include "core/RegEngine.h"

namespace scan {

inline constexpr wchar_t kIgnoreListFile[] = L"IgnoreList.dat";
inline constexpr wchar_t kIgnoreListCaption[] = L"IgnoreList.dat";

inline constexpr wchar_t kIgnoreListBadFile[] = L"IgnoreList.dat.bad";
// isDefaultValue of an ignore-list entry read from the file whose value name
// is "default value": the unnamed value or one of that name.
inline constexpr int kEitherDefaultValue = -1;

// Reads IgnoreList.dat into engine.ignoreList when that list is empty. A
// missing or empty file is an empty list; a damaged one (or one larger than
// any list a user builds) is an empty list and one report box, and the file
// is left as it is. A file that is there but cannot be read (locked, access
// denied) gives one report box and false: the list must not be rewritten.
bool LoadIgnoreList(CRegEngine& engine);

// LoadIgnoreList for a scan: records in engine.scanIgnoreListState whether
// the scan can leave out what the user ignored.
void LoadIgnoreListForScan(CRegEngine& engine);
// True when the current scan results were filtered by a list that was read.
bool ScanIgnoreListRead(const CRegEngine& engine);

// Writes the whole list through a temporary file renamed over the old one;
// a damaged file is first kept as IgnoreList.dat.bad. False (after a report
// box) when the file could not be replaced or the last read failed.
bool SaveIgnoreList(CRegEngine& engine);

// Marks the problems of `result` that the ignore list holds as ignored and
// takes them out of the counts. Only problems not ignored yet can match.
// When the scan's list could not be read, every problem is left unchecked
// instead: what the user ignored cannot be told apart.
void ApplyIgnoreList(CRegEngine& engine, RegScanCategory& result, XMLElement& category);

// Sets or clears a problem's selected flag; an ignored problem is never
// selected. The checked counter moves only when the flag really changes.
void SetSelected(CRegEngine& engine, RegEntryProb& problem, bool selected);

}  // namespace scan
