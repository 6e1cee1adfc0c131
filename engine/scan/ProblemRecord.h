// The one way problems are made: a record plus the counters that move with it.
#pragma once

#include <string>

#include "core/RegEngine.h"

namespace scan {

enum ProblemKind {
    kFileMissing = 0,
    kFileClassMissing = 1,
    kClsidMissing = 2,
    kAppIdMissing = 3,
    kOpenWithList = 4,
    kSharedDllUnused = 5,
    kShortcutInvalid = 6,
    kDefaultValueNull = 7,
    kTypeIdMissing = 8,
};

enum Grade { kCommon = 0, kFair = 1, kImportant = 2 };
enum FixAction { kDeleteValue = 0, kDeleteKey = 1, kDeleteParentTree = 2 };

// The one rule of what a fix acts on, which the partial backup before it
// saves: checked, not ignored, with a known fix action.
inline bool IsToBeFixed(const RegEntryProb& p)
{
    return p.selected && !p.ignored && p.fixAction >= kDeleteValue && p.fixAction <= kDeleteParentTree;
}

// A problem the guard refuses to fix (see RegEntryProb::refusal): never
// backed up, and not fixed even when checked.
inline bool IsRefused(const RegEntryProb& p)
{
    return !p.refusal.empty();
}

// Where a problem's fix acts and its backup saves: the real key when it is
// known (then in the 64-bit view, its path naming any Wow6432Node itself),
// otherwise the examined key in the view it was read in.
struct KeySite {
    std::wstring rootName;
    std::wstring path;
    int view;
};
KeySite ActingSiteOf(const RegEntryProb& p);

// The file a shortcut problem names: its folder (the key path) and file name.
inline std::wstring ShortcutFileOf(const RegEntryProb& p)
{
    return p.keyPath + L"\\" + p.valueName;
}

// The message of a problem kind (typos are the product's own); empty for an
// unknown kind.
const wchar_t* KindMessage(int kind);

struct ProblemSite {
    HKEY root = nullptr;
    std::wstring rootName;
    std::wstring keyPath;    // as the scanner examined it
    std::wstring valueName;  // kDefaultValueLabel for the unnamed value
    bool isDefaultValue = false;
    std::wstring data;
};

// Appends a problem to `result` (nothing when it is null) and moves the
// category's found count, the entry's problem count and the engine's problem
// and checked counters by one. The display key path gets "Wow6432Node" for a
// 32-bit view find on 64-bit Windows; the examined path and view are kept.
void RecordProblem(CRegEngine& engine, RegScanCategory* result, const ProblemSite& site, int kind,
                   XMLElement& category, int view, int grade, int fixAction);

}  // namespace scan
