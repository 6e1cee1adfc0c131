// What installed software left behind: install records, font files, shared
// library counts and help files.
#include "core/WineFolders.h"
#include "scan/ProblemRecord.h"
#include "scan/RuleHelpers.h"
#include "scan/Scanner.h"

namespace scan {
namespace {

// The installer's folder list names its folders in the value names.
bool IsInstallerFolderList(const std::wstring& keyPath)
{
    constexpr std::wstring_view kTail = L"installer\\folders";
    return keyPath.size() >= kTail.size() &&
           pure::EqualsNoCase(std::wstring_view(keyPath).substr(keyPath.size() - kTail.size()), kTail);
}

class UninstallRules : public WalkRules {
public:
    UninstallRules() { scopeCategory = L"Install&Uninstall Entries"; }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        if (IsInstallerFolderList(key.item.keyPath)) {
            if (TextNamesMissingFile(t, std::wstring(v.RealName())))
                RecordValueProblem(t, key, v, kFileMissing, kImportant, kDeleteValue);
        } else if (TextNamesMissingFile(t, std::wstring(v.Text()))) {
            RecordValueProblem(t, key, v, kFileMissing, kFair, kDeleteValue);
        }
    }
};

class FontRules : public WalkRules {
public:
    FontRules() { scopeCategory = L"Font Entries"; }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        const std::wstring data(v.Text());
        NotCheckedPath why;
        const Presence answer = PresenceInEveryView(
            t,
            [&](FileView fileView, NotCheckedPath& w) {
                std::wstring path;
                if (!ExtractFilePath(data, path, fileView) &&
                    !ExtractFilePath(L"%systemroot%\\fonts\\" + data, path, fileView))
                    return Presence::Present;  // nothing to judge
                const Presence found = IsPathExist(path, t.engine, fileView, &w);
                // Wine serves the fonts its prefix lists by bare file name from
                // its own font folder.
                const std::wstring wineFonts = wine::FontFolder();
                const bool bareName = data.find_first_of(L":\\/") == std::wstring::npos;
                if (found == Presence::Present || !bareName || wineFonts.empty()) return found;
                NotCheckedPath inWine;
                const Presence served = IsPathExist(wineFonts + L"\\" + data, t.engine, fileView, &inWine);
                if (found != Presence::Unknown && served == Presence::Unknown) w = inWine;
                return pure::EitherOf(found, served);
            },
            why);
        if (SurelyMissing(t, answer, why)) RecordValueProblem(t, key, v, kFileMissing, kFair, kDeleteValue);
    }
};

class SharedDllRules : public WalkRules {
public:
    SharedDllRules()
    {
        scopeCategory = L"Shared DLLS";
        valueTypes = TypeBit(REG_DWORD);
    }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        const std::wstring name(v.RealName());
        bool named = false;  // a drive path in some view
        NotCheckedPath why;
        const Presence answer = PresenceInEveryView(
            t,
            [&](FileView fileView, NotCheckedPath& w) {
                std::wstring path;
                if (!ExtractFilePath(name, path, fileView)) return Presence::Present;
                named = true;
                return IsPathExist(path, t.engine, fileView, &w);
            },
            why);
        if (!named) return;
        // A library that cannot be told to be there or gone is left alone,
        // its count included.
        if (answer == Presence::Unknown) {
            NoteNotChecked(t.result, why);
            return;
        }
        DWORD count = 0;
        const bool hasCount = v.size >= sizeof count;
        if (hasCount) count = *reinterpret_cast<const DWORD*>(v.data);
        if (answer == Presence::Missing)
            Record(t, key, v, L"File path", kFileMissing, kImportant);
        else if (hasCount && count == 0)
            Record(t, key, v, L"0", kSharedDllUnused, kFair);
    }

private:
    static void Record(const ScanTarget& t, const WalkKey& key, const WalkValue& v, const wchar_t* text,
                       int kind, int grade)
    {
        ProblemSite site;
        site.root = t.entry.rootHandle;
        site.rootName = t.entry.rootName;
        site.keyPath = key.item.keyPath;
        site.valueName.assign(v.name);
        site.isDefaultValue = v.IsDefault();
        site.data = text;
        RecordProblem(t.engine, &t.result, site, kind, t.category, t.view, grade, kDeleteValue);
    }
};

class HelpFileRules : public WalkRules {
public:
    HelpFileRules() { scopeCategory = L"Help Files"; }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        if (!v.IsDefault() && v.IsEmptyText()) {
            RecordValueProblem(t, key, v, kDefaultValueNull, kFair, kDeleteValue);
            return;
        }
        NotCheckedPath why;
        const Presence answer = PresenceInEveryView(
            t,
            [&](FileView fileView, NotCheckedPath& w) {
                std::wstring folder;
                if (!ExtractFilePath(std::wstring(v.Text()), folder, fileView)) return Presence::Present;
                if (folder.back() != L'\\') folder += L'\\';
                folder.append(v.name);  // the label for the unnamed value
                return IsPathExist(folder, t.engine, fileView, &w);
            },
            why);
        if (SurelyMissing(t, answer, why))
            RecordValueProblem(t, key, v, kFileMissing, kImportant, kDeleteValue);
    }
};

template <class Rules>
void WalkWith(const ScanTarget& t)
{
    Rules rules;
    WalkKeys(t, rules);
}

}  // namespace

void ScanUninstallEntries(const ScanTarget& t) { WalkWith<UninstallRules>(t); }
void ScanFontEntries(const ScanTarget& t) { WalkWith<FontRules>(t); }
void ScanSharedDlls(const ScanTarget& t) { WalkWith<SharedDllRules>(t); }
void ScanHelpFiles(const ScanTarget& t) { WalkWith<HelpFileRules>(t); }

}  // namespace scan
