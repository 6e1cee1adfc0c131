// Small tests the registry rule tables share: how a key path ends or what it
// contains, and whether a value names a file, class or identifier that is
// surely gone.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "pure/TextRules.h"
#include "scan/Checks.h"
#include "scan/KeyWalk.h"
#include "scan/NotCheckedNote.h"

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

// Only a sure "missing" makes a problem. An answer the check could not
// give is listed with the category's result (NoteNotChecked) instead.
inline bool SurelyMissing(const ScanTarget& t, Presence answer, const NotCheckedPath& why)
{
    if (answer == Presence::Unknown) NoteNotChecked(t.result, why);
    return answer == Presence::Missing;
}

// The answer in every file view the target's values are tested in: the
// view's own, or both for a key both registry views share (there when
// either kind of program finds it). `test(fileView, why)` answers for one.
template <class Test>
Presence PresenceInEveryView(const ScanTarget& t, Test test, NotCheckedPath& why)
{
    if (!t.sharedKey) return test(FileViewFor(t.engine, t.view), why);
    const Presence native = test(FileView::Native, why);
    if (native == Presence::Present) return native;
    NotCheckedPath other;
    const Presence as32 = test(FileView::As32BitProgram, other);
    if (native != Presence::Unknown && as32 == Presence::Unknown) why = other;
    return pure::EitherOf(native, as32);
}

// `text` holds a drive path that is surely not there. Text without a drive
// path has nothing to judge.
inline bool TextNamesMissingFile(const ScanTarget& t, const std::wstring& text)
{
    NotCheckedPath why;
    const Presence answer = PresenceInEveryView(
        t,
        [&](FileView fileView, NotCheckedPath& w) {
            std::wstring path;
            if (!ExtractFilePath(text, path, fileView)) return Presence::Present;
            return IsPathExist(path, t.engine, fileView, &w);
        },
        why);
    return SurelyMissing(t, answer, why);
}

// Present data naming a drive path that is surely not there.
inline bool DataNamesMissingFile(const ScanTarget& t, const WalkValue& v)
{
    return v.IsPresent() && TextNamesMissingFile(t, std::wstring(v.Text()));
}

// HKEY_CLASSES_ROOT\name is surely not there in either view.
inline bool ClassMissing(const ScanTarget& t, std::wstring_view name)
{
    NotCheckedPath why;
    return SurelyMissing(t, IsClassKeyExist(t.engine, t.view, std::wstring(name), &why), why);
}

// `id` is surely registered for none of `kinds` (the examined key is the
// context), e.g. {L"CLSID", L"INTERFACE"}: a proxy may name either.
inline bool TypeIdMissing(const ScanTarget& t, const WalkKey& key, std::wstring_view id,
                          std::initializer_list<const wchar_t*> kinds)
{
    NotCheckedPath why;
    Presence answer = Presence::Missing;
    for (const wchar_t* kind : kinds) {
        NotCheckedPath w;
        const Presence one = IsTypeIdExist(std::wstring(id), key.item.keyPath, kind, t.view, t.engine, &w);
        if (one == Presence::Unknown && answer != Presence::Unknown) why = w;
        answer = pure::EitherOf(answer, one);
        if (answer == Presence::Present) break;
    }
    return SurelyMissing(t, answer, why);
}

// "A GUID": not the empty text and shaped like one.
inline bool IsGuidData(const WalkValue& v)
{
    return !v.IsEmptyText() && IsGuidString(v.Text());
}

}  // namespace scan
