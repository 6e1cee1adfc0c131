// The software entry scanners over scratch keys of the test prefix: install
// records and the installer's folder list, fonts by name and by path, shared
// library counts and help files.
#include <gtest/gtest.h>

#include <string>

#include "ScanFixtures.h"
#include "ScannerHarness.h"
#include "scan/ProblemRecord.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::Expected;
using scantest::ScannerHarness;

TEST(SoftwareScanners, UninstallRecordsAndTheInstallerFolderList)
{
    testenv::ScratchDir dir(L"uninst");
    scantest::WriteFile(dir.File(L"present.exe"));
    CreateDirectoryW(dir.File(L"folder").c_str(), nullptr);
    const std::wstring missing = dir.File(L"missing.exe");
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"uninst");
    const std::wstring& k = key.path();
    const std::wstring rec = k + L"\\{11111111-2222-3333-4444-555555555555}";
    const std::wstring sub = L"{11111111-2222-3333-4444-555555555555}";
    key.SetString(sub, L"DisplayName", L"Some Program");
    key.SetString(sub, L"DisplayIcon", dir.File(L"present.exe") + L",0");
    key.SetString(sub, L"UninstallString", L"MsiExec.exe /X{11111111-2222-3333-4444-555555555555}");
    key.SetString(sub, L"QuietUninstallString", L"\"" + missing + L"\" /S");
    key.SetString(sub, L"InstallLocation", dir.path(), REG_EXPAND_SZ);
    key.SetString(sub, L"HelpLink", dir.File(L"gone\\help.chm"));
    key.SetString(L"Installer\\Folders", dir.File(L"folder") + L"\\", L"");
    key.SetString(L"Installer\\Folders", dir.File(L"gonefolder") + L"\\", L"");
    key.SetString(L"Installer\\Folders", L"not a path", missing);  // the name is tested, not the data

    ScannerHarness h(L"Install&Uninstall Entries");
    h.Run(ScanUninstallEntries, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    h.ExpectExactly(k, {
        {rec, L"QuietUninstallString", L"\"" + missing + L"\" /S", kFileMissing, kFair, kDeleteValue},
        {rec, L"HelpLink", dir.File(L"gone\\help.chm"), kFileMissing, kFair, kDeleteValue},
        {k + L"\\Installer\\Folders", dir.File(L"gonefolder") + L"\\", L"", kFileMissing, kImportant,
         kDeleteValue},
    });
    EXPECT_TRUE(reports.Take().empty());
}

TEST(SoftwareScanners, UninstallRecordsInTheThirtyTwoBitView)
{
    if (testenv::PrefixArch() != L"win64") GTEST_SKIP() << "needs 64-bit Windows";
    testenv::ScratchDir dir(L"uninst32");
    const std::wstring missing = dir.File(L"missing.exe");
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_LOCAL_MACHINE, L"SOFTWARE", L"uninst32", KEY_WOW64_32KEY);
    const std::wstring& k = key.path();
    key.SetString(L"rec", L"UninstallString", missing);

    ScannerHarness h(L"Install&Uninstall Entries");
    h.Run(ScanUninstallEntries, HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", k, kView64);
    EXPECT_TRUE(h.Of(k).empty());  // the 64-bit view does not hold it
    h.Run(ScanUninstallEntries, HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", k, kView32);
    h.ExpectExactly(k, {{k + L"\\rec", L"UninstallString", missing, kFileMissing, kFair, kDeleteValue, kView32}});
    ASSERT_EQ(h.Of(k).size(), 1u);
    EXPECT_NE(h.Of(k)[0]->keyPath.find(L"Wow6432Node"), std::wstring::npos) << scantest::Describe(*h.Of(k)[0]);
}

TEST(SoftwareScanners, FontsByNameAreLookedForInTheFontsFolder)
{
    testenv::ScratchDir dir(L"fonts");
    scantest::WriteFile(dir.File(L"present.ttf"));
    const std::wstring fontName = testenv::UniqueName(L"font") + L".ttf";
    const std::wstring fontsFolder = scantest::Env(L"SystemRoot") + L"\\Fonts\\";
    scantest::WriteFile(fontsFolder + fontName);
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"fonts");
    const std::wstring& k = key.path();
    key.SetString(L"", L"Present (TrueType)", fontName);
    key.SetString(L"", L"Gone (TrueType)", L"gone" + fontName);
    key.SetString(L"", L"ByPath (TrueType)", dir.File(L"present.ttf"));
    key.SetString(L"", L"GonePath (TrueType)", dir.File(L"gone.ttf"));
    // Wine serves fonts listed by bare name from its own font folder: here a
    // stand-in data folder, named as Wine names its own to its programs.
    CreateDirectoryW(dir.File(L"winedata").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"winedata\\fonts").c_str(), nullptr);
    scantest::WriteFile(dir.File(L"winedata\\fonts\\own") + fontName);
    key.SetString(L"", L"WineOwn (TrueType)", L"own" + fontName);
    wchar_t previous[MAX_PATH] = {};
    const DWORD had = GetEnvironmentVariableW(L"WINEDATADIR", previous, MAX_PATH);
    SetEnvironmentVariableW(L"WINEDATADIR", (L"\\??\\" + dir.File(L"winedata")).c_str());

    ScannerHarness h(L"Font Entries");
    h.Run(ScanFontEntries, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    SetEnvironmentVariableW(L"WINEDATADIR", had ? previous : nullptr);
    DeleteFileW((fontsFolder + fontName).c_str());
    h.ExpectExactly(k, {
        {k, L"Gone (TrueType)", L"gone" + fontName, kFileMissing, kFair, kDeleteValue},
        {k, L"GonePath (TrueType)", dir.File(L"gone.ttf"), kFileMissing, kFair, kDeleteValue},
    });
    EXPECT_TRUE(reports.Take().empty());
}

TEST(SoftwareScanners, SharedDllCountsReadOnlyDwordValues)
{
    testenv::ScratchDir dir(L"shared");
    scantest::WriteFile(dir.File(L"unused.dll"));
    scantest::WriteFile(dir.File(L"used.dll"));
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"shared");
    const std::wstring& k = key.path();
    key.SetDword(L"", dir.File(L"unused.dll"), 0);
    key.SetDword(L"", dir.File(L"used.dll"), 2);
    key.SetDword(L"", dir.File(L"missing.dll"), 3);
    key.SetDword(L"", L"nodrive.dll", 0);
    key.SetString(L"", dir.File(L"missing2.dll"), L"1");  // a string: not examined

    ScannerHarness h(L"Shared DLLS");
    h.Run(ScanSharedDlls, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    h.ExpectExactly(k, {
        {k, dir.File(L"unused.dll"), L"0", kSharedDllUnused, kFair, kDeleteValue},
        {k, dir.File(L"missing.dll"), L"File path", kFileMissing, kImportant, kDeleteValue},
    });
    EXPECT_EQ(h.engine.processedCount.load(), 4);
    EXPECT_TRUE(reports.Take().empty());
}

TEST(SoftwareScanners, HelpFilesAreLookedForInTheirFolders)
{
    testenv::ScratchDir dir(L"help");
    scantest::WriteFile(dir.File(L"present.hlp"));
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"help");
    const std::wstring& k = key.path();
    key.SetString(L"", L"present.hlp", dir.path());
    key.SetString(L"", L"gone.hlp", dir.path() + L"\\");
    key.SetString(L"", L"empty.hlp", L"");
    key.SetString(L"", L"", dir.path());  // tests the folder's "default value" file
    key.SetString(L"", L"nodrive.chm", L"help");

    ScannerHarness h(L"Help Files");
    h.Run(ScanHelpFiles, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    h.ExpectExactly(k, {
        {k, L"gone.hlp", dir.path() + L"\\", kFileMissing, kImportant, kDeleteValue},
        {k, L"empty.hlp", L"", kDefaultValueNull, kFair, kDeleteValue},
        {k, L"default value", dir.path(), kFileMissing, kImportant, kDeleteValue},
    });
    EXPECT_TRUE(reports.Take().empty());
}
