// Only "not there" is missing: what the system will not answer for, and
// paths on drives that are absent or not fixed, are never problems; each
// category's result lists them as not checked.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "ScanFixtures.h"
#include "ScannerHarness.h"
#include "pure/TextRules.h"
#include "scan/Checks.h"
#include "scan/DriveCheck.h"
#include "scan/FileFind.h"
#include "scan/ProblemRecord.h"
#include "scan/ScanCache.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::Expected;
using scantest::ScannerHarness;

namespace {

// The file search as a Windows desktop answers it for paths with these
// folders in them; every other path is not there.
DWORD ScriptedFind(const std::wstring& searchText)
{
    static const std::pair<const wchar_t*, DWORD> kAnswers[] = {
        {L"\\DENIED\\", ERROR_ACCESS_DENIED},       {L"\\NOTREADY\\", ERROR_NOT_READY},
        {L"\\TOOLONG\\", ERROR_FILENAME_EXCED_RANGE}, {L"\\SHARING\\", ERROR_SHARING_VIOLATION},
        {L"\\BADNAME\\", ERROR_INVALID_NAME},       {L"\\NETGONE\\", ERROR_BAD_NETPATH},
        {L"\\PRESENT\\", ERROR_SUCCESS},            {L"\\NOPATH\\", ERROR_PATH_NOT_FOUND},
        {L"\\NOMORE\\", ERROR_NO_MORE_FILES},
    };
    const std::wstring upper = pure::ToUpper(searchText);
    for (const auto& a : kAnswers)
        if (upper.find(a.first) != std::wstring::npos) return a.second;
    return ERROR_FILE_NOT_FOUND;
}

// A scripted drive table: C: fixed, K: a USB stick, N: a network drive,
// E: an optical drive, F: a fixed drive that does not answer, R: a RAM disk;
// no other letter has a drive.
std::map<wchar_t, int> g_asked;
DriveState ScriptedDrives(wchar_t letter)
{
    ++g_asked[letter];
    switch (letter) {
    case L'C': return {DRIVE_FIXED, ERROR_SUCCESS};
    case L'K': return {DRIVE_REMOVABLE, ERROR_SUCCESS};
    case L'N': return {DRIVE_REMOTE, ERROR_SUCCESS};
    case L'E': return {DRIVE_CDROM, ERROR_SUCCESS};
    case L'F': return {DRIVE_FIXED, ERROR_NOT_READY};
    case L'R': return {DRIVE_RAMDISK, ERROR_SUCCESS};
    default: return {DRIVE_NO_ROOT_DIR, ERROR_SUCCESS};
    }
}

class SeamScope {
public:
    SeamScope(FileFinder finder, DriveProbe probe)
        : finder_(SetFileFinderForTests(finder)), probe_(probe ? SetDriveProbeForTests(probe) : nullptr)
    {
        g_asked.clear();
    }
    ~SeamScope()
    {
        SetFileFinderForTests(finder_);
        if (probe_) SetDriveProbeForTests(probe_);
    }

private:
    FileFinder finder_;
    DriveProbe probe_;
};

struct Listed {
    std::wstring path;
    int reason;
    DWORD error;
};

// Exactly these, each once, in any order (values come in the registry's order).
void ExpectNotChecked(const RegScanCategory& result, std::vector<Listed> expected)
{
    std::vector<Listed> got;
    for (const NotCheckedPath* n : result.notChecked) got.push_back({n->path, n->reason, n->error});
    auto byPath = [](const Listed& a, const Listed& b) { return a.path < b.path; };
    std::sort(got.begin(), got.end(), byPath);
    std::sort(expected.begin(), expected.end(), byPath);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].path, expected[i].path) << i;
        EXPECT_EQ(got[i].reason, expected[i].reason) << testenv::WideToUtf8(got[i].path);
        EXPECT_EQ(got[i].error, expected[i].error) << testenv::WideToUtf8(got[i].path);
    }
}

}  // namespace

TEST(NotChecked, OnlyTheSystemsNotThereMakesAProblem)
{
    SeamScope seams(&ScriptedFind, nullptr);
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"notchecked");
    const struct {
        const wchar_t* folder;
        DWORD error;  // listed with this error; 0: no entry
        bool problem;
    } rows[] = {
        {L"denied", ERROR_ACCESS_DENIED, false},      {L"notready", ERROR_NOT_READY, false},
        {L"toolong", ERROR_FILENAME_EXCED_RANGE, false}, {L"sharing", ERROR_SHARING_VIOLATION, false},
        {L"badname", ERROR_INVALID_NAME, false},      {L"netgone", ERROR_BAD_NETPATH, false},
        {L"present", 0, false},                        {L"nofile", 0, true},
        {L"nopath", 0, true},                          {L"nomore", 0, true},
    };
    std::vector<Expected> problems;
    std::vector<Listed> listed;
    for (const auto& row : rows) {
        const std::wstring path = L"C:\\tamsel-nc\\" + std::wstring(row.folder) + L"\\app.exe";
        const std::wstring again = std::wstring(row.folder) + L"-again";
        key.SetString(L"", row.folder, L"\"" + path + L"\" /min");
        key.SetString(L"", again, path);  // the same path twice in a category is listed once
        if (row.problem) {
            problems.push_back(
                {key.path(), row.folder, L"\"" + path + L"\" /min", kFileMissing, kImportant, kDeleteValue});
            problems.push_back({key.path(), again, path, kFileMissing, kImportant, kDeleteValue});
        }
        if (row.error) listed.push_back({path, NotCheckedPath::kSystemError, row.error});
    }

    ScannerHarness h(L"Windows Startup Items");
    h.Run(ScanStartupItems, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", key.path());
    h.ExpectExactly(key.path(), problems);
    ExpectNotChecked(h.result, listed);
    EXPECT_TRUE(reports.Take().empty());
}

TEST(NotChecked, PathsOnDrivesThatAreNotFixedAndReadyAreNotJudged)
{
    SeamScope seams(&ScriptedFind, &ScriptedDrives);
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"drives");
    const struct {
        const wchar_t* name;
        const wchar_t* path;
        int reason;  // -1: judged (not there, so a problem)
        DWORD error;
    } rows[] = {
        {L"fixed", L"C:\\Tools\\app.exe", -1, 0},
        {L"ramdisk", L"R:\\Tools\\app.exe", -1, 0},
        {L"usb", L"K:\\Tools\\app.exe", NotCheckedPath::kDriveNotFixed, 0},
        {L"usb2", L"k:\\Other\\tool.exe", NotCheckedPath::kDriveNotFixed, 0},
        {L"network", L"N:\\Share\\app.exe", NotCheckedPath::kDriveNotFixed, 0},
        {L"optical", L"E:\\setup.exe", NotCheckedPath::kDriveNotFixed, 0},
        {L"asleep", L"F:\\Tools\\app.exe", NotCheckedPath::kDriveNotReady, ERROR_NOT_READY},
        {L"nodrive", L"Q:\\Tools\\app.exe", NotCheckedPath::kNoSuchDrive, 0},
    };
    std::vector<Expected> problems;
    std::vector<Listed> listed;
    for (const auto& row : rows) {
        key.SetString(L"", row.name, row.path);
        if (row.reason < 0)
            problems.push_back({key.path(), row.name, row.path, kFileMissing, kImportant, kDeleteValue});
        else
            listed.push_back({row.path, row.reason, row.error});
    }

    ScannerHarness h(L"Windows Startup Items");
    {
        ScanCacheScope scan;
        h.Run(ScanStartupItems, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", key.path());
    }
    h.ExpectExactly(key.path(), problems);
    ExpectNotChecked(h.result, listed);
    // Within a scan each drive is asked once, whatever its case.
    for (const auto& asked : g_asked) EXPECT_EQ(asked.second, 1) << char(asked.first);
    EXPECT_EQ(g_asked.count(L'K'), 1u);
}

TEST(NotChecked, NetworkPathsAreNeverSearched)
{
    static int searches = 0;
    FileFinder counting = [](const std::wstring&) -> DWORD {
        ++searches;
        return ERROR_FILE_NOT_FOUND;
    };
    SeamScope seams(counting, nullptr);
    const CRegEngine engine(SystemFacts::Detect());
    for (const wchar_t* path :
         {L"\\\\server\\share\\a.exe", L"//server/share/a.exe", L"\\\\?\\UNC\\server\\s\\a.exe"}) {
        NotCheckedPath why;
        EXPECT_EQ(IsPathExist(path, engine, FileView::Native, &why), Presence::Unknown);
        EXPECT_EQ(why.reason, NotCheckedPath::kNetworkPath);
        EXPECT_EQ(why.path, path);
    }
    EXPECT_EQ(searches, 0);
}

// A class or identifier key that exists but cannot be opened is not checked;
// no error box stops the scan for it.
TEST(NotChecked, AKeyThatCannotBeOpenedIsNotChecked)
{
    ReportRecorder reports;
    const std::wstring denied = L"Tamsel.Denied." + testenv::UniqueName(L"c");
    const std::wstring absent = L"Tamsel.Absent." + testenv::UniqueName(L"c");
    const std::wstring deniedId = scantest::NewGuid();
    scantest::RegFixture classes(KEY_WOW64_64KEY);
    classes.Key(denied);
    classes.Key(L"CLSID\\" + deniedId);
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;KR;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                                     &sd, nullptr));
    for (const std::wstring& path : {denied, L"CLSID\\" + deniedId}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    LocalFree(sd);
    HKEY probe = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, denied.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &probe),
              ERROR_ACCESS_DENIED);

    testenv::ScratchKey exts(HKEY_CURRENT_USER, L"Software", L"fileexts");
    exts.SetString(L".tamselnc", L"Denied", denied);
    exts.SetString(L".tamselnc", L"Absent", absent);
    ScannerHarness h(L"File Extensions");
    h.Run(ScanFileExtensions, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", exts.path());
    const std::wstring ext = exts.path() + L"\\.tamselnc";
    h.ExpectExactly(ext, {{ext, L"Absent", absent, kFileClassMissing, kImportant, kDeleteValue}});
    ExpectNotChecked(h.result, {{L"HKEY_CLASSES_ROOT\\" + denied, NotCheckedPath::kSystemError, ERROR_ACCESS_DENIED}});

    NotCheckedPath why;
    EXPECT_EQ(IsTypeIdExist(deniedId, L"x", L"CLSID", kView64, h.engine, &why), Presence::Unknown);
    EXPECT_EQ(why.path, L"HKEY_CLASSES_ROOT\\clsid\\" + deniedId);
    EXPECT_EQ(why.error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(IsTypeIdExist(scantest::NewGuid(), L"x", L"CLSID", kView64, h.engine, &why), Presence::Missing);
    EXPECT_TRUE(reports.Take().empty());
}

// A key inside a walked tree that exists but cannot be read (without
// administrator rights many can't) is listed as not checked, the walk goes on
// with its siblings, and no box stops the scan.
TEST(NotChecked, AWalkedKeyThatCannotBeOpenedIsListedAndSkipped)
{
    ReportRecorder reports;
    testenv::ScratchDir dir(L"walkdenied");
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"walkdenied");
    const std::wstring k = key.path();
    const std::wstring missing = dir.File(L"gone.exe");
    key.SetString(L"locked.exe", L"", missing);
    key.SetString(L"open.exe", L"", missing);
    auto setDacl = [&](const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr));
        HKEY locked = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (k + L"\\locked.exe").c_str(), 0, WRITE_DAC, &locked),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetKeySecurity(locked, DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
        RegCloseKey(locked);
        LocalFree(sd);
    };
    setDacl(L"D:(D;;KR;;;WD)(A;;KA;;;WD)");

    ScannerHarness h(L"Application Paths");
    h.Run(ScanAppPaths, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    setDacl(L"D:(A;;KA;;;WD)");  // so the scratch key can be removed
    h.ExpectExactly(k, {{k + L"\\open.exe", L"default value", missing, kFileMissing, kImportant, kDeleteValue}});
    ExpectNotChecked(h.result, {{L"HKEY_CURRENT_USER\\" + k + L"\\locked.exe", NotCheckedPath::kSystemError,
                                 ERROR_ACCESS_DENIED}});
    EXPECT_TRUE(reports.Take().empty());
}
