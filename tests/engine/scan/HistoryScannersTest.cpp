// History lists, sound events and run lists over scratch keys of the test
// prefix, with text and binary values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScanFixtures.h"
#include "ScannerHarness.h"
#include "scan/ProblemRecord.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::Expected;
using scantest::ScannerHarness;

namespace {

void SetBinary(HKEY root, const std::wstring& path, const std::wstring& name, const void* data, DWORD size,
               REGSAM view = 0)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

// Wide text as binary data, with or without its terminator and with bytes after it.
std::vector<BYTE> Bytes(const std::wstring& text, bool terminated, const std::string& after = "")
{
    std::vector<BYTE> out(reinterpret_cast<const BYTE*>(text.c_str()),
                          reinterpret_cast<const BYTE*>(text.c_str()) + text.size() * sizeof(wchar_t));
    if (terminated) out.insert(out.end(), {0, 0});
    out.insert(out.end(), after.begin(), after.end());
    return out;
}

}  // namespace

TEST(HistoryScanners, EveryTextAndBinaryEntryIsOffered)
{
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"history");
    const std::wstring& k = key.path();
    key.SetString(L"RunMRU", L"a", L"notepad\\1");
    key.SetString(L"RunMRU", L"MRUList", L"a");
    key.SetString(L"RunMRU", L"expand", L"%TEMP%", REG_EXPAND_SZ);  // not read
    key.SetDword(L"RunMRU", L"dword", 1);                           // not read
    const std::vector<BYTE> doc = Bytes(L"doc.txt", true, "garbage");
    const std::vector<BYTE> open = Bytes(L"open", false);
    const BYTE odd[] = {'a', 0, 'b'};  // a last half character is not read
    SetBinary(HKEY_CURRENT_USER, k + L"\\RecentDocs\\.txt", L"0", doc.data(), static_cast<DWORD>(doc.size()));
    SetBinary(HKEY_CURRENT_USER, k + L"\\RecentDocs\\.txt", L"1", open.data(), static_cast<DWORD>(open.size()));
    SetBinary(HKEY_CURRENT_USER, k + L"\\RecentDocs\\.txt", L"2", odd, sizeof odd);
    SetBinary(HKEY_CURRENT_USER, k + L"\\RecentDocs", L"3", nullptr, 0);

    ScannerHarness h(L"History Lists");
    h.Run(ScanHistoryLists, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    const std::wstring docs = k + L"\\RecentDocs";
    h.ExpectExactly(k, {
        {k + L"\\RunMRU", L"a", L"notepad\\1", kOpenWithList, kCommon, kDeleteValue},
        {k + L"\\RunMRU", L"MRUList", L"a", kOpenWithList, kCommon, kDeleteValue},
        {docs + L"\\.txt", L"0", L"doc.txt", kOpenWithList, kCommon, kDeleteValue},
        {docs + L"\\.txt", L"1", L"open", kOpenWithList, kCommon, kDeleteValue},
        {docs + L"\\.txt", L"2", L"a", kOpenWithList, kCommon, kDeleteValue},
        {docs, L"3", L"", kOpenWithList, kCommon, kDeleteValue},
    });
    EXPECT_EQ(h.engine.processedCount.load(), 6);
    EXPECT_TRUE(reports.Take().empty());
}

TEST(HistoryScanners, AValueThatCannotBeReadIsReportedAndTheNextFollows)
{
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"histerr");
    const std::wstring& k = key.path();
    const std::vector<BYTE> big(0x5000, 'x');  // more than the walk's data buffer
    SetBinary(HKEY_CURRENT_USER, k, L"a big", big.data(), static_cast<DWORD>(big.size()));
    key.SetString(L"", L"b next", L"x");

    ScannerHarness h(L"History Lists");
    h.Run(ScanHistoryLists, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    h.ExpectExactly(k, {{k, L"b next", L"x", kOpenWithList, kCommon, kDeleteValue}});
    const auto shown = reports.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, L"CRegistryKey::ScanHistoryListsEntries-RegEnumValue()");
}

TEST(HistoryScanners, SoundEventsLeaveOutLabelsAndSchemeNames)
{
    testenv::ScratchDir dir(L"sounds");
    scantest::WriteFile(dir.File(L"present.wav"));
    const std::wstring gone = dir.File(L"gone.wav");
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"sounds");
    const std::wstring& k = key.path();
    const std::wstring ev = L"Schemes\\Apps\\.Default\\SystemAsterisk";
    key.SetString(L"EventLabels\\SystemAsterisk", L"", gone);           // never entered
    key.SetString(L"Schemes\\Names\\.None", L"", gone);                  // never entered
    key.SetString(ev + L"\\.Current", L"", gone);
    key.SetString(ev + L"\\.Default", L"", dir.File(L"present.wav"));
    key.SetString(ev + L"\\.Modified", L"", gone, REG_EXPAND_SZ);         // not read
    key.SetString(ev + L"\\.Name", L"", L"chord.wav");                    // no drive path
    const std::vector<BYTE> bin = Bytes(gone, true);
    SetBinary(HKEY_CURRENT_USER, k + L"\\" + ev + L"\\.Binary", L"", bin.data(), static_cast<DWORD>(bin.size()));

    ScannerHarness h(L"Sound&App Events");
    h.Run(ScanSoundEvents, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    const std::wstring e = k + L"\\" + ev;
    h.ExpectExactly(k, {
        {e + L"\\.Current", L"default value", gone, kFileMissing, kFair, kDeleteValue},
        {e + L"\\.Binary", L"default value", gone, kFileMissing, kFair, kDeleteValue},
    });
    EXPECT_TRUE(reports.Take().empty());
}

TEST(HistoryScanners, RunListsExamineOnlyTheirOwnKey)
{
    testenv::ScratchDir dir(L"run");
    scantest::WriteFile(dir.File(L"present.exe"));
    const std::wstring missing = dir.File(L"missing.exe");
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"run");
    const std::wstring& k = key.path();
    key.SetString(L"", L"Bad", L"\"" + missing + L"\" -min");
    key.SetString(L"", L"Expand", missing, REG_EXPAND_SZ);  // not read
    key.SetString(L"", L"Good", L"\"" + dir.File(L"present.exe") + L"\" -min");
    const std::vector<BYTE> bin = Bytes(missing, false);
    SetBinary(HKEY_CURRENT_USER, k, L"Bin", bin.data(), static_cast<DWORD>(bin.size()));
    key.SetString(L"sub", L"Deeper", missing);              // subkeys are never entered

    ScannerHarness h(L"Windows Startup Items");
    h.Run(ScanStartupItems, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    h.ExpectExactly(k, {
        {k, L"Bad", L"\"" + missing + L"\" -min", kFileMissing, kImportant, kDeleteValue},
        {k, L"Bin", missing, kFileMissing, kImportant, kDeleteValue},
    });
    EXPECT_EQ(h.engine.processedCount.load(), 3);
    EXPECT_TRUE(reports.Take().empty());
}

TEST(HistoryScanners, RunListsInBothViews)
{
    if (testenv::PrefixArch() != L"win64") GTEST_SKIP() << "needs 64-bit Windows";
    testenv::ScratchDir dir(L"run32");
    const std::wstring missing = dir.File(L"missing.exe");
    ReportRecorder reports;
    testenv::ScratchKey key64(HKEY_LOCAL_MACHINE, L"SOFTWARE", L"run64", KEY_WOW64_64KEY);
    testenv::ScratchKey key32(HKEY_LOCAL_MACHINE, L"SOFTWARE", L"run32", KEY_WOW64_32KEY);
    key64.SetString(L"", L"A", missing);
    key32.SetString(L"", L"B", missing);

    ScannerHarness h(L"Windows Startup Items");
    for (int view : {kView64, kView32}) {
        h.Run(ScanStartupItems, HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", key64.path(), view);
        h.Run(ScanStartupItems, HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", key32.path(), view);
    }
    h.ExpectExactly(key64.path(), {{key64.path(), L"A", missing, kFileMissing, kImportant, kDeleteValue, kView64}});
    h.ExpectExactly(key32.path(), {{key32.path(), L"B", missing, kFileMissing, kImportant, kDeleteValue, kView32}});
}
