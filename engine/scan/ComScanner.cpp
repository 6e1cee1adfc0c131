// Broken COM registrations under HKEY_CLASSES_ROOT: classes, type
// libraries, interfaces and AppIDs. One walker per tree; each rule table
// below is tested in order and its first matching group decides.
#include <string_view>

#include "pure/TextRules.h"
#include "scan/Checks.h"
#include "scan/KeyWalk.h"
#include "scan/RuleHelpers.h"
#include "scan/ProblemRecord.h"
#include "scan/Scanner.h"

namespace scan {
namespace {

constexpr wchar_t kComCategory[] = L"COM/ActiveX Entries";

bool EndsWith(std::wstring_view upperPath, std::wstring_view tail)
{
    return upperPath.size() >= tail.size() && upperPath.substr(upperPath.size() - tail.size()) == tail;
}

template <class Tails>
bool EndsWithAny(std::wstring_view upperPath, const Tails& tails)
{
    for (std::wstring_view tail : tails)
        if (EndsWith(upperPath, tail)) return true;
    return false;
}

// "Contains" in the COM rules: found after the path's first character.
bool ContainsAfterFirst(std::wstring_view upperPath, std::wstring_view part)
{
    return upperPath.size() > 1 && upperPath.find(part, 1) != std::wstring_view::npos;
}

// The keys at depth 2 below a class whose unnamed value names a file.
constexpr std::wstring_view kServerKeys[] = {L"INPROCSERVER32", L"LOCALSERVER32", L"DEFAULTICON",
                                            L"INPROCHANDLER32", L"INPROCHANDLER", L"TOOLBOXBITMAP32"};
constexpr std::wstring_view kClassIdKeys[] = {L"TREATAS", L"PERSISTENTHANDLER"};

class ComRules : public WalkRules {
public:
    explicit ComRules(const ScanTarget& t)
    {
        scopeCategory = kComCategory;
        scopeSelector = t.entry.subKey;
        valueTypes = kStringTypes;
    }

protected:
    static std::wstring UpperPath(const WalkKey& key) { return pure::ToUpper(key.item.keyPath); }

    // "A GUID": not the empty text and shaped like one.
    static bool IsGuidData(const WalkValue& v) { return !v.IsEmptyText() && IsGuidString(v.Text()); }

    // A present GUID that is surely registered for none of `kinds` (the
    // examined key is the context).
    static bool GuidMissing(const ScanTarget& t, const WalkKey& key, const WalkValue& v,
                            std::initializer_list<const wchar_t*> kinds)
    {
        return v.IsPresent() && IsGuidData(v) && TypeIdMissing(t, key, v.Text(), kinds);
    }

    // Present data naming a drive path that is not there.
    static bool FileMissing(const ScanTarget& t, const WalkValue& v)
    {
        return v.IsPresent() && TextNamesMissingFile(t, std::wstring(v.Text()));
    }
};

class ClsidRules : public ComRules {
public:
    using ComRules::ComRules;

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        const int depth = key.item.depth;
        if (depth == 1) {
            if (!pure::EqualsNoCase(v.RealName(), L"APPID")) return;
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteValue);
            else if (GuidMissing(t, key, v, {L"APPID"}))
                RecordValueProblem(t, key, v, kAppIdMissing, kImportant, kDeleteValue);
            return;
        }
        if (depth != 2 || !v.IsDefault()) return;
        const std::wstring upper = UpperPath(key);
        if (EndsWith(upper, L"PROGID")) {
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
            else if (v.IsPresent() && ClassMissing(t, v.Text()))
                RecordValueProblem(t, key, v, kFileClassMissing, kImportant, kDeleteKey);
        } else if (EndsWithAny(upper, kServerKeys)) {
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
            else if (FileMissing(t, v))
                RecordValueProblem(t, key, v, kFileMissing, kImportant, kDeleteKey);
        } else if (EndsWithAny(upper, kClassIdKeys)) {
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
            else if (GuidMissing(t, key, v, {L"CLSID"}))
                RecordValueProblem(t, key, v, kClsidMissing, kImportant, kDeleteKey);
        } else if (EndsWith(upper, L"TYPELIB")) {
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
            else if (GuidMissing(t, key, v, {L"TYPELIB"}))
                RecordValueProblem(t, key, v, kTypeIdMissing, kImportant, kDeleteKey);
        }
    }

    void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
    {
        if (key.item.depth != 2 || key.subKeyCount != 0) return;
        const std::wstring upper = UpperPath(key);
        if (EndsWith(upper, L"PROGID") || EndsWithAny(upper, kServerKeys) || EndsWithAny(upper, kClassIdKeys) ||
            EndsWith(upper, L"TYPELIB"))
            RecordKeyProblem(t, key, kDefaultValueNull, kFair, kDeleteKey);
    }
};

class TypeLibRules : public ComRules {
public:
    using ComRules::ComRules;

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        if (!v.IsDefault()) return;
        const int depth = key.item.depth;
        if (depth != 3 && depth != 4) return;
        const std::wstring upper = UpperPath(key);
        // A library file missing takes its whole locale key; a help folder only itself.
        int action = -1;
        if (depth == 4 && EndsWith(upper, L"WIN32"))
            action = kDeleteParentTree;
        else if (depth == 3 && EndsWith(upper, L"HELPDIR"))
            action = kDeleteKey;
        if (action < 0) return;
        if (v.IsEmptyText())
            RecordValueProblem(t, key, v, kDefaultValueNull, kFair, action);
        else if (FileMissing(t, v))
            RecordValueProblem(t, key, v, kFileMissing, kImportant, action);
    }

    void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
    {
        if (key.subKeyCount != 0) return;
        const std::wstring upper = UpperPath(key);
        if (key.item.depth == 4 && EndsWith(upper, L"WIN32"))
            RecordKeyProblem(t, key, kDefaultValueNull, kFair, kDeleteParentTree);
        else if (key.item.depth == 3 && EndsWith(upper, L"HELPDIR"))
            RecordKeyProblem(t, key, kDefaultValueNull, kFair, kDeleteKey);
    }
};

class InterfaceRules : public ComRules {
public:
    using ComRules::ComRules;

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        if (key.item.depth != 2 || !v.IsDefault()) return;
        const std::wstring upper = UpperPath(key);
        if (ContainsAfterFirst(upper, L"PROXYSTUBCLSID")) {
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
            else if (GuidMissing(t, key, v, {L"CLSID", L"INTERFACE"}))
                RecordValueProblem(t, key, v, kClsidMissing, kImportant, kDeleteKey);
        } else if (ContainsAfterFirst(upper, L"TYPELIB")) {
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
            else if (GuidMissing(t, key, v, {L"TYPELIB"}))
                RecordValueProblem(t, key, v, kClsidMissing, kImportant, kDeleteKey);  // kind 2 here, not 8
        }
    }

    void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
    {
        if (key.item.depth != 2 || key.subKeyCount != 0) return;
        const std::wstring upper = UpperPath(key);
        if (ContainsAfterFirst(upper, L"PROXYSTUBCLSID") || ContainsAfterFirst(upper, L"TYPELIB"))
            RecordKeyProblem(t, key, kDefaultValueNull, kCommon, kDeleteKey);
    }
};

class AppIdRules : public ComRules {
public:
    using ComRules::ComRules;

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        const wchar_t* kind = nullptr;
        if (pure::EqualsNoCase(v.RealName(), L"appid"))
            kind = L"APPID";
        else if (pure::EqualsNoCase(v.RealName(), L"clsid"))
            kind = L"CLSID";
        if (!kind) return;
        if (v.IsEmptyText())
            RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteValue);
        else if (GuidMissing(t, key, v, {kind}))
            RecordValueProblem(t, key, v, kClsidMissing, kImportant, kDeleteValue);
    }

    void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
    {
        if (key.subKeyCount == 0) RecordKeyProblem(t, key, kDefaultValueNull, kCommon, kDeleteKey);
    }
};

template <class Rules>
void WalkWith(const ScanTarget& t)
{
    Rules rules(t);
    WalkKeys(t, rules);
}

}  // namespace

void ScanClsidEntries(const ScanTarget& t) { WalkWith<ClsidRules>(t); }
void ScanTypeLibEntries(const ScanTarget& t) { WalkWith<TypeLibRules>(t); }
void ScanInterfaceEntries(const ScanTarget& t) { WalkWith<InterfaceRules>(t); }
void ScanAppIdEntries(const ScanTarget& t) { WalkWith<AppIdRules>(t); }

void ScanComEntries(const ScanTarget& t)
{
    const std::wstring& tree = t.entry.subKey;
    if (pure::EqualsNoCase(tree, L"clsid"))
        ScanClsidEntries(t);
    else if (pure::EqualsNoCase(tree, L"typelib"))
        ScanTypeLibEntries(t);
    else if (pure::EqualsNoCase(tree, L"interface"))
        ScanInterfaceEntries(t);
    else if (pure::EqualsNoCase(tree, L"appid"))
        ScanAppIdEntries(t);
}

}  // namespace scan
