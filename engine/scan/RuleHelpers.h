// Small tests the registry rule tables share: how a key path ends or what it
// contains, and whether a value names a file that is gone.
#pragma once

#include <string>
#include <string_view>

#include "pure/TextRules.h"
#include "scan/Checks.h"
#include "scan/KeyWalk.h"

namespace scan {

inline bool EndsWith(std::wstring_view upperPath, std::wstring_view tail)
{
    return upperPath.size() >= tail.size() && upperPath.substr(upperPath.size() - tail.size()) == tail;
}

// "Contains" in the rules: found after the path's first character.
inline bool ContainsAfterFirst(std::wstring_view upperPath, std::wstring_view part)
{
    return upperPath.size() > 1 && upperPath.find(part, 1) != std::wstring_view::npos;
}

inline std::wstring UpperPathOf(const WalkKey& key) { return pure::ToUpper(key.item.keyPath); }

// `missing(fileView)` holds in every file view the target's values are
// tested in: the view's own, or both for a key both registry views share.
template <class Test>
bool MissingInEveryView(const ScanTarget& t, Test missing)
{
    if (t.sharedKey) return missing(FileView::Native) && missing(FileView::As32BitProgram);
    return missing(FileViewFor(t.engine, t.view));
}

// `text` holds a drive path that is not there.
inline bool TextNamesMissingFile(const ScanTarget& t, const std::wstring& text)
{
    return MissingInEveryView(t, [&](FileView fileView) {
        std::wstring path;
        return ExtractFilePath(text, path, fileView) && !IsPathExist(path, t.engine, fileView);
    });
}

// Present data naming a drive path that is not there.
inline bool DataNamesMissingFile(const ScanTarget& t, const WalkValue& v)
{
    return v.IsPresent() && TextNamesMissingFile(t, std::wstring(v.Text()));
}

// "A GUID": not the empty text and shaped like one.
inline bool IsGuidData(const WalkValue& v) { return !v.IsEmptyText() && IsGuidString(v.Text()); }

}  // namespace scan
