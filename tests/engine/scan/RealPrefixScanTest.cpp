// The shipped scan settings over the registry and folders of the fresh test
// prefix. Every problem reported is checked against the truth, found here
// without the engine's checks: the file, class or identifier it names must
// really be missing. The test runs with no other test beside it; problems of
// "Tamsel_" fixtures that an aborted earlier run left behind are left out.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "ScannerHarness.h"
#include "core/ComPtr.h"
#include "pure/PathRules.h"
#include "pure/TextRules.h"
#include "scan/ProblemRecord.h"
#include "scan/ScanDriver.h"
#include "scan/ScanSettings.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;

namespace {

bool IsFixture(const RegEntryProb& p)
{
    for (const std::wstring* s : {&p.scannedKeyPath, &p.keyPath, &p.valueName, &p.data})
        if (pure::ToUpper(*s).find(L"TAMSEL_") != std::wstring::npos) return true;
    return false;
}

bool KeyExistsInEitherView(HKEY root, const std::wstring& path)
{
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return true;
        }
    }
    return false;
}

std::wstring ReplaceNoCase(std::wstring text, const std::wstring& from, const std::wstring& to)
{
    const size_t at = pure::ToUpper(text).find(pure::ToUpper(from));
    if (at != std::wstring::npos) text.replace(at, from.size(), to);
    return text;
}

bool AnythingAt(const std::wstring& path)
{
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Nothing at the path, at its part before a comma, or at it cut after ".exe"
// or ".dll"; a 32-bit find is looked for where a 32-bit program sees it.
bool FileReallyMissing(const std::wstring& text, int view)
{
    wchar_t expanded[4096] = {};
    if (!ExpandEnvironmentStringsW(text.c_str(), expanded, 4096)) return false;
    std::wstring path;
    if (!pure::FindDrivePath(expanded, path)) return false;
    std::vector<std::wstring> candidates{path, path.substr(0, path.find(L','))};
    const std::wstring upper = pure::ToUpper(path);
    for (const wchar_t* ext : {L".EXE", L".DLL"}) {
        const size_t at = upper.find(ext);
        if (at != std::wstring::npos) candidates.push_back(path.substr(0, at + 4));
    }
    for (std::wstring c : candidates) {
        c = std::wstring(pure::TrimSpace(c));
        if (view == kView32) {
            c = ReplaceNoCase(c, L"\\system32\\", L"\\SysWOW64\\");
            if (pure::ToUpper(c).find(L"PROGRAM FILES (X86)") == std::wstring::npos)
                c = ReplaceNoCase(c, L"\\Program Files\\", L"\\Program Files (x86)\\");
        }
        if (AnythingAt(c)) return false;
    }
    return true;
}

// The value as stored is empty or missing, or the key holds no values.
bool ValueReallyEmpty(const RegEntryProb& p)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(p.rootHandle, p.scannedKeyPath.c_str(), 0, KEY_READ | p.viewFlag, &key) != ERROR_SUCCESS)
        return true;  // gone since
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    wchar_t data[8] = {};
    DWORD size = sizeof data;
    const LONG rc = RegQueryValueExW(key, p.isDefaultValue ? nullptr : p.valueName.c_str(), nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (values == 0) return true;
    return rc == ERROR_FILE_NOT_FOUND || (rc == ERROR_SUCCESS && (size < sizeof(wchar_t) || data[0] == L'\0'));
}

bool LinkTargetReallyMissing(const RegEntryProb& p)
{
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link.As(IID_IPersistFile, file)) ||
        FAILED(file->Load((p.scannedKeyPath + L"\\" + p.valueName).c_str(), STGM_READ)))
        return false;
    wchar_t target[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, 0);
    return target[0] != L'\0' && !AnythingAt(target);
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& tail)
{
    return text.size() >= tail.size() && pure::EqualsNoCase(text.substr(text.size() - tail.size()), tail);
}

// Whether what the problem claims is so.
bool ClaimHolds(const RegEntryProb& p, const std::wstring& category)
{
    const std::wstring& m = p.message;
    if (m == KindMessage(kOpenWithList)) return true;  // every list entry is offered, nothing is claimed
    if (m == KindMessage(kDefaultValueNull)) return ValueReallyEmpty(p);
    if (m == KindMessage(kShortcutInvalid)) return LinkTargetReallyMissing(p);
    if (m == KindMessage(kSharedDllUnused)) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(p.rootHandle, p.scannedKeyPath.c_str(), 0, KEY_READ | p.viewFlag, &key) != ERROR_SUCCESS)
            return true;  // gone since
        DWORD count = 1;
        DWORD size = sizeof count;
        DWORD type = REG_NONE;
        const LONG rc = RegQueryValueExW(key, p.valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count),
                                         &size);
        RegCloseKey(key);
        return rc == ERROR_SUCCESS && type == REG_DWORD && count == 0;
    }
    if (m == KindMessage(kFileClassMissing)) {
        const bool byName = EndsWithNoCase(p.scannedKeyPath, L"OpenWithProgids");
        return !KeyExistsInEitherView(HKEY_CLASSES_ROOT, byName ? p.valueName : p.data);
    }
    if (m == KindMessage(kClsidMissing))
        return !KeyExistsInEitherView(HKEY_CLASSES_ROOT, L"CLSID\\" + p.data) &&
               !KeyExistsInEitherView(HKEY_CLASSES_ROOT, L"Interface\\" + p.data);
    if (m == KindMessage(kAppIdMissing)) return !KeyExistsInEitherView(HKEY_CLASSES_ROOT, L"AppID\\" + p.data);
    if (m == KindMessage(kTypeIdMissing)) return !KeyExistsInEitherView(HKEY_CLASSES_ROOT, L"TypeLib\\" + p.data);
    if (m == KindMessage(kFileMissing)) {
        if (p.data.empty() && category != L"Shared DLLS") return ValueReallyEmpty(p);
        if (category == L"Shared DLLS") return FileReallyMissing(p.valueName, p.viewFlag);
        if (category == L"Install&Uninstall Entries" && EndsWithNoCase(p.scannedKeyPath, L"Installer\\Folders"))
            return FileReallyMissing(p.valueName, p.viewFlag);
        if (category == L"Help Files") {
            std::wstring folder = p.data;
            if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
            return FileReallyMissing(folder + p.valueName, p.viewFlag);
        }
        if (category == L"Font Entries" && p.data.find(L':') == std::wstring::npos)
            return FileReallyMissing(L"%SystemRoot%\\Fonts\\" + p.data, p.viewFlag);
        return FileReallyMissing(p.data, p.viewFlag);
    }
    return false;  // an unknown claim
}

// Entries of Wine's own fresh prefix that are genuinely broken: what they
// name is not installed. Matched by category and a part of the key path,
// value name or data; listed so the counts below can be read.
struct KnownBroken {
    const wchar_t* category;
    const wchar_t* part;
    const wchar_t* reason;
};
const KnownBroken kKnownBroken[] = {
    {L"File Associations", L"ITSProtocol\\CurVer",
     L"the help protocol's current version names \"ITSProtocol1.0\", a class that is not registered"},
    {L"File Associations", L"MSFSStore\\CurVer",
     L"the help store's current version names \"MSFSStore1.0\", a class that is not registered"},
    {L"File Associations", L"MSITStore\\CurVer",
     L"the help store's current version names \"MSITStore1.0\", a class that is not registered"},
    // The other fonts the prefix lists by bare file name are Wine's own,
    // found in its font folder (Debian's fonts-wine), and are no problem.
    {L"Font Entries", L"=serife.fon",
     L"\"MS Serif\" names serife.fon, which Wine's font folder does not hold"},
};

const wchar_t* ReasonOf(const RegEntryProb& p, const std::wstring& category)
{
    for (const KnownBroken& k : kKnownBroken)
        if (category == k.category &&
            (k.part[0] == L'=' ? p.data == k.part + 1  // "=text": the data exactly
                               : p.scannedKeyPath.find(k.part) != std::wstring::npos ||
                                     p.data.find(k.part) != std::wstring::npos))
            return k.reason;
    return nullptr;
}

}  // namespace

TEST(RealPrefixScan, EveryProblemOfTheShippedSettingsIsTrue)
{
    testenv::ScratchDir dir(L"realscan");
    ASSERT_TRUE(CopyFileW((testenv::BinDir() + L"\\scanSetting.xml").c_str(), dir.File(L"scanSetting.xml").c_str(),
                          FALSE));
    ReportRecorder reports;
    CRegEngine engine(SystemFacts::Detect());
    {
        ScopedCoInit com;
        ASSERT_EQ(LoadCategories(engine.categories, dir.File(L"scanSetting.xml")), 1);
    }
    ASSERT_EQ(engine.categories.GetCount(), 12);
    ScopedCoInit com;  // for the truth of shortcut problems
    std::map<std::wstring, int> examined;
    for (int i = 0; i < engine.categories.GetCount(); ++i) {
        const int before = engine.processedCount.load();
        ScanCategory(engine, i);
        examined[engine.categories[i]->categoryName] = engine.processedCount.load() - before;
    }
    ASSERT_EQ(engine.results.GetCount(), 12);
    // The prefix holds classes, file types, fonts and sound events: a scanner that examined nothing is broken.
    for (const wchar_t* name : {L"COM/ActiveX Entries", L"File Associations", L"Font Entries", L"Sound&App Events"})
        EXPECT_GT(examined[name], 0) << testenv::WideToUtf8(name);

    std::string listing;
    std::string untrue;
    std::string unlisted;
    for (const RegScanCategory* c : engine.results) {
        int count = 0;
        for (const RegEntryProb* p : c->problems) {
            if (IsFixture(*p)) continue;
            ++count;
            const wchar_t* reason = ReasonOf(*p, c->name);
            const std::string line = testenv::WideToUtf8(c->name) + ": " + scantest::Describe(*p) +
                                     (reason ? " -- known: " + testenv::WideToUtf8(reason) : std::string());
            listing += "\n  " + line;
            if (!ClaimHolds(*p, c->name))
                untrue += "\n  " + line;
            else if (!reason)
                unlisted += "\n  " + line;
        }
        listing += "\n" + testenv::WideToUtf8(c->name) + " count " + std::to_string(count) + ", examined " +
                   std::to_string(examined[c->name]);
        RecordProperty(testenv::WideToUtf8(c->name), count);
    }
    std::printf("%s\n", listing.c_str());
    EXPECT_TRUE(untrue.empty()) << "problems that are not so:" << untrue;
    EXPECT_TRUE(unlisted.empty()) << "broken entries of the fresh prefix not listed with a reason:" << unlisted;
    for (const RecordedReport& r : reports.Take())
        ADD_FAILURE() << testenv::WideToUtf8(r.caption + L": " + r.text);
}
