// File types: the registered application paths, the per-user record of how
// extensions were opened, and the class root's extensions and ProgIDs.
#include "scan/ProblemRecord.h"
#include "scan/RuleHelpers.h"
#include "scan/Scanner.h"

namespace scan {
namespace {

class AppPathRules : public WalkRules {
public:
    AppPathRules() { scopeCategory = L"Application Paths"; }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        const bool named = v.IsDefault() || pure::EqualsNoCase(v.RealName(), L"path");
        if (named && !v.IsEmptyText()) {
            if (TextNamesMissingFile(t, std::wstring(v.Text())))
                RecordValueProblem(t, key, v, kFileMissing, kImportant, kDeleteValue);
        } else if (v.IsEmptyText()) {
            RecordValueProblem(t, key, v, kFileMissing, kFair, kDeleteValue);
        }
    }

    void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
    {
        if (key.subKeyCount == 0) RecordKeyProblem(t, key, kDefaultValueNull, kCommon, kDeleteKey);
    }
};

class FileExtRules : public WalkRules {
public:
    FileExtRules() { scopeCategory = L"File Extensions"; }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        if (key.item.depth == 1) {
            if (v.IsDefault()) return;
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteValue);
            else if (ClassMissing(t, v.Text()))
                RecordValueProblem(t, key, v, kFileClassMissing, kImportant, kDeleteValue);
            return;
        }
        if (key.item.depth != 2) return;
        const std::wstring upper = UpperPathOf(key);
        if (EndsWith(upper, L"OPENWITHLIST"))
            RecordValueProblem(t, key, v, kOpenWithList, kCommon, kDeleteValue);
        else if (EndsWith(upper, L"OPENWITHPROGIDS") && !v.IsDefault() && ClassMissing(t, v.RealName()))
            RecordValueProblem(t, key, v, kFileClassMissing, kImportant, kDeleteValue);
    }

    void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
    {
        if (key.item.depth == 1 && key.subKeyCount == 0)
            RecordKeyProblem(t, key, kDefaultValueNull, kCommon, kDeleteKey);
    }
};

// The class root: each walked key is marked when its own name begins with ".".
class FileAssocRules : public WalkRules {
public:
    FileAssocRules() { scopeCategory = L"File Associations"; }

    bool EnterSubKey(const ScanTarget& t, const WalkItem& parent, const std::wstring& upperName,
                     WalkItem& child) override
    {
        child.extensionMark = IsExtensionName(upperName);
        return WalkRules::EnterSubKey(t, parent, upperName, child);
    }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        if (key.item.extensionMark)
            MarkedValue(t, key, v);
        else
            UnmarkedValue(t, key, v);
    }

    void OnEmptyKey(const ScanTarget& t, const WalkKey& key) override
    {
        if (key.item.depth != 2 || key.subKeyCount != 0) return;
        if (!key.item.extensionMark) {
            RecordKeyProblem(t, key, kDefaultValueNull, kCommon, kDeleteKey);
            return;
        }
        const std::wstring upper = UpperPathOf(key);
        if (EndsWith(upper, L"OPENWITHPROGIDS") || EndsWith(upper, L"PERSISTENTHANDLER"))
            RecordKeyProblem(t, key, kDefaultValueNull, kCommon, kDeleteKey);
    }

private:
    static bool ClsidMissing(const ScanTarget& t, const WalkKey& key, const WalkValue& v)
    {
        return TypeIdMissing(t, key, v.Text(), {L"CLSID"});
    }

    // Extension keys, and the dot-named keys below a ProgID.
    static void MarkedValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v)
    {
        const int depth = key.item.depth;
        if (depth == 1) {
            if (v.IsDefault() && !v.IsEmptyText() && ClassMissing(t, v.Text()))
                RecordValueProblem(t, key, v, kFileClassMissing, kImportant, kDeleteValue);
            return;
        }
        if (depth != 2 && depth != 3) return;
        const std::wstring upper = UpperPathOf(key);
        if (EndsWith(upper, L"OPENWITHPROGIDS")) {
            if (!v.IsDefault() && ClassMissing(t, v.RealName()))
                RecordValueProblem(t, key, v, kFileClassMissing, kImportant, kDeleteValue);
        } else if ((depth == 2 && EndsWith(upper, L"PERSISTENTHANDLER")) ||
                   (depth == 3 && ContainsAfterFirst(upper, L"SHELLEX"))) {
            if (v.IsDefault() && IsGuidData(v) && ClsidMissing(t, key, v))
                RecordValueProblem(t, key, v, kClsidMissing, kImportant, kDeleteKey);
        }
    }

    static void UnmarkedValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v)
    {
        if (!v.IsDefault()) return;
        const int depth = key.item.depth;
        const std::wstring upper = UpperPathOf(key);
        if (depth == 2) {
            if (EndsWith(upper, L"CURVER")) {
                if (v.IsEmptyText())
                    RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
                else if (v.IsPresent() && ClassMissing(t, v.Text()))
                    RecordValueProblem(t, key, v, kFileClassMissing, kFair, kDeleteKey);
            } else if (EndsWith(upper, L"CLSID")) {
                if (v.IsEmptyText())
                    RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
                else if (v.IsPresent() && ClsidMissing(t, key, v))
                    RecordValueProblem(t, key, v, kClsidMissing, kImportant, kDeleteKey);
            } else {
                if (v.IsEmptyText()) {
                    if (!EndsWith(upper, L"SHELL") && !EndsWith(upper, L"SHELLEX"))
                        RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
                } else if (DataNamesMissingFile(t, v)) {
                    RecordValueProblem(t, key, v, kFileMissing, kFair, kDeleteKey);
                }
            }
            return;
        }
        if ((depth == 3 || depth == 4) && ContainsAfterFirst(upper, L"SHELLEX")) {
            if (v.IsPresent() && IsGuidData(v) && ClsidMissing(t, key, v))
                RecordValueProblem(t, key, v, kClsidMissing, kImportant, kDeleteKey);
            return;
        }
        if (depth == 4 && EndsWith(upper, L"COMMAND")) {
            if (v.IsEmptyText())
                RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteKey);
            else if (DataNamesMissingFile(t, v))
                RecordValueProblem(t, key, v, kFileMissing, kImportant, kDeleteKey);
        }
    }
};

}  // namespace

void ScanAppPaths(const ScanTarget& t)
{
    AppPathRules rules;
    WalkKeys(t, rules);
}

void ScanFileExtensions(const ScanTarget& t)
{
    FileExtRules rules;
    WalkKeys(t, rules);
}

void ScanFileAssociations(const ScanTarget& t)
{
    FileAssocRules rules;
    WalkKeys(t, rules, std::wstring());
}

}  // namespace scan
