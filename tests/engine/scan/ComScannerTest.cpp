// The COM scanner over the real classes, type libraries, interfaces and
// AppIDs of the test prefix, with fixtures of unique names; each test looks
// only at the problems of its own fixtures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ScanFixtures.h"
#include "pure/TextRules.h"
#include "scan/ProblemRecord.h"
#include "scan/Scanner.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::NewGuid;
using scantest::RegFixture;

namespace {

struct Expected {
    std::wstring scannedPath;
    std::wstring valueName;
    std::wstring data;
    int kind;
    int grade;
    int action;
    int view = kView64;
};

std::string Describe(const RegEntryProb& p)
{
    return testenv::WideToUtf8(p.scannedKeyPath + L" | " + p.valueName + L" | " + p.data + L" | " + p.message) +
           " | grade " + std::to_string(p.grade) + " action " + std::to_string(p.fixAction) + " view " +
           std::to_string(p.viewFlag);
}

class ComScan {
public:
    ComScan() { category.categoryName = L"COM/ActiveX Entries"; }

    // One walk of a COM tree in one view, as the driver calls it.
    void Run(const std::wstring& tree, int view)
    {
        RegScanKeyEntry entry;
        entry.rootHandle = HKEY_CLASSES_ROOT;
        entry.rootName = L"HKEY_CLASSES_ROOT";
        entry.subKey = tree;
        ScanComEntries(ScanTarget{engine, result, category, entry, view});
    }

    // The problems whose examined key path contains `mark`.
    std::vector<const RegEntryProb*> Of(const std::wstring& mark) const
    {
        std::vector<const RegEntryProb*> out;
        for (const RegEntryProb* p : result.problems)
            if (p->scannedKeyPath.find(mark) != std::wstring::npos) out.push_back(p);
        return out;
    }

    // Exactly these problems for `mark`, in any order (the registry hands out
    // keys sorted by name); key paths compare without regard to case.
    void ExpectExactly(const std::wstring& mark, std::vector<Expected> expected) const
    {
        std::vector<const RegEntryProb*> got = Of(mark);
        std::string all;
        for (const RegEntryProb* p : got) all += "\n  " + Describe(*p);
        ASSERT_EQ(got.size(), expected.size()) << testenv::WideToUtf8(mark) << all;
        auto key = [](const std::wstring& path, const std::wstring& name) { return pure::ToUpper(path) + L"|" + name; };
        std::sort(got.begin(), got.end(), [&](const RegEntryProb* a, const RegEntryProb* b) {
            return key(a->scannedKeyPath, a->valueName) < key(b->scannedKeyPath, b->valueName);
        });
        std::sort(expected.begin(), expected.end(), [&](const Expected& a, const Expected& b) {
            return key(a.scannedPath, a.valueName) < key(b.scannedPath, b.valueName);
        });
        for (size_t i = 0; i < expected.size(); ++i) {
            const Expected& e = expected[i];
            const RegEntryProb& p = *got[i];
            EXPECT_TRUE(pure::EqualsNoCase(p.scannedKeyPath, e.scannedPath))
                << Describe(p) << " expected " << testenv::WideToUtf8(e.scannedPath);
            EXPECT_EQ(p.valueName, e.valueName) << Describe(p);
            EXPECT_EQ(p.data, e.data) << Describe(p);
            EXPECT_EQ(p.message, KindMessage(e.kind)) << Describe(p);
            EXPECT_EQ(p.grade, e.grade) << Describe(p);
            EXPECT_EQ(p.fixAction, e.action) << Describe(p);
            EXPECT_EQ(p.viewFlag, e.view) << Describe(p);
            EXPECT_EQ(p.rootName, L"HKEY_CLASSES_ROOT");
            EXPECT_EQ(p.isDefaultValue, e.valueName == L"default value" ? 1 : 0) << Describe(p);
        }
    }

    CRegEngine engine{SystemFacts::Detect()};
    RegScanCategory result;
    XMLElement category;
};

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return std::wstring(buffer, n < MAX_PATH ? n : 0);
}

}  // namespace

TEST(ComScanner, ClassRulesInTheSixtyFourBitView)
{
    testenv::ScratchDir dir(L"com");
    scantest::WriteFile(dir.File(L"present.dll"));
    scantest::WriteFile(dir.File(L"shell.dll"));
    SetEnvironmentVariableW(L"TAMSEL_COM_DIR", dir.path().c_str());
    ReportRecorder reports;
    RegFixture reg(KEY_WOW64_64KEY);
    const std::wstring mark = NewGuid().substr(1, 8);  // shared by the fixtures' ids
    std::vector<std::wstring> g;
    for (int i = 0; i < 10; ++i) g.push_back(L"{" + mark + NewGuid().substr(9));
    auto C = [&](int i, const std::wstring& sub = L"") {
        return L"CLSID\\" + g[i] + (sub.empty() ? L"" : L"\\" + sub);
    };
    const std::wstring missingLib = NewGuid();
    const std::wstring missingAppId = NewGuid();
    const std::wstring missingClass = NewGuid();

    reg.String(C(0), L"", L"Tamsel test class");
    reg.String(C(0, L"InprocServer32"), L"", L"%TAMSEL_COM_DIR%\\missing.dll", REG_EXPAND_SZ);
    reg.String(C(1, L"InprocServer32"), L"", dir.File(L"present.dll"));
    reg.String(C(1, L"InprocServer32"), L"ThreadingModel", L"Both");
    reg.String(C(2, L"LocalServer32"), L"", L"missing.exe /automation");  // no drive path
    reg.String(C(3, L"InprocServer32"), L"ThreadingModel", L"Apartment");  // named value only
    reg.Key(C(4, L"InprocServer32"));                                       // no values, no subkeys
    reg.String(C(5, L"ProgID"), L"", L"Tamsel.Missing." + mark);
    reg.String(C(5, L"VersionIndependentProgID"), L"", L"");
    reg.String(C(6, L"TreatAs"), L"", g[6]);  // itself
    reg.String(C(6, L"TypeLib"), L"", missingLib);
    reg.String(C(6), L"AppID", missingAppId);
    reg.String(C(7, L"PersistentHandler"), L"", missingClass);
    reg.String(C(7), L"AppID", L"");
    reg.String(C(8, L"DefaultIcon"), L"", dir.File(L"shell.dll") + L",-21");
    reg.String(C(8, L"InprocServer32\\Deeper"), L"", L"C:\\nowhere\\x.dll");  // not walked
    reg.String(C(8, L"Implemented Categories"), L"", L"C:\\nowhere\\y.dll");  // not walked
    reg.String(C(9, L"ProgID"), L"", L"CLSID");                             // an existing class key
    reg.String(C(9, L"TypeLib"), L"", L"not a guid");

    ComScan scan;
    scan.Run(L"clsid", kView64);
    scan.ExpectExactly(mark, {
        {C(6), L"AppID", missingAppId, kAppIdMissing, 2, 0},
        {C(7), L"AppID", L"", kDefaultValueNull, 1, 0},
        {C(0, L"InprocServer32"), L"default value", L"%TAMSEL_COM_DIR%\\missing.dll", kFileMissing, 2, 1},
        {C(4, L"InprocServer32"), L"default value", L"", kDefaultValueNull, 1, 1},
        {C(5, L"ProgID"), L"default value", L"Tamsel.Missing." + mark, kFileClassMissing, 2, 1},
        {C(5, L"VersionIndependentProgID"), L"default value", L"", kDefaultValueNull, 1, 1},
        {C(6, L"TypeLib"), L"default value", missingLib, kTypeIdMissing, 2, 1},
        {C(7, L"PersistentHandler"), L"default value", missingClass, kClsidMissing, 2, 1},
    });
    EXPECT_EQ(scan.result.problemCount, scan.result.problems.GetCount());
    EXPECT_EQ(scan.engine.problemCount.load(), scan.result.problems.GetCount());
    EXPECT_EQ(scan.category.foundCount, scan.result.problems.GetCount());
    EXPECT_GT(scan.engine.processedCount.load(), 10);
    EXPECT_TRUE(reports.Take().empty());
    SetEnvironmentVariableW(L"TAMSEL_COM_DIR", nullptr);
}

TEST(ComScanner, ViewsAndTheSecondViewLookup)
{
    ReportRecorder reports;
    RegFixture reg64(KEY_WOW64_64KEY);
    RegFixture reg32(KEY_WOW64_32KEY);
    const std::wstring mark = NewGuid().substr(1, 8);
    std::vector<std::wstring> g;
    for (int i = 0; i < 8; ++i) g.push_back(L"{" + mark + NewGuid().substr(9));
    auto C = [&](int i, const std::wstring& sub) { return L"CLSID\\" + g[i] + L"\\" + sub; };

    // A 32-bit program's files: one under its Program Files, one in SysWOW64.
    const std::wstring folder = testenv::UniqueName(L"pf");
    const std::wstring x86 = Env(L"ProgramFiles(x86)");
    ASSERT_FALSE(x86.empty());
    ASSERT_TRUE(CreateDirectoryW((x86 + L"\\" + folder).c_str(), nullptr));
    scantest::WriteFile(x86 + L"\\" + folder + L"\\a.dll");
    wchar_t windows[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring sysName = testenv::UniqueName(L"wow") + L".dll";
    scantest::WriteFile(std::wstring(windows) + L"\\syswow64\\" + sysName);
    const std::wstring inPf = L"%ProgramFiles%\\" + folder + L"\\a.dll";
    const std::wstring inSys = std::wstring(windows) + L"\\system32\\" + sysName;

    // Class keys each only in one view, named from the other one.
    reg32.Key(L"CLSID\\" + g[0]);
    reg64.Key(L"CLSID\\" + g[1]);
    reg64.String(C(2, L"TreatAs"), L"", g[0]);
    reg32.String(C(3, L"TreatAs"), L"", g[1]);
    const std::wstring missing = NewGuid();
    reg32.String(C(4, L"TreatAs"), L"", missing);
    // The same server registration in both views: only the 64-bit one is broken.
    reg32.String(C(5, L"InprocServer32"), L"", inPf, REG_EXPAND_SZ);
    reg64.String(C(5, L"InprocServer32"), L"", inPf, REG_EXPAND_SZ);
    reg32.String(C(6, L"InprocServer32"), L"", inSys);
    reg64.String(C(6, L"InprocServer32"), L"", inSys);

    ComScan scan;
    scan.Run(L"CLSID", kView64);
    scan.Run(L"Clsid", kView32);
    scan.ExpectExactly(mark, {
        {C(5, L"InprocServer32"), L"default value", inPf, kFileMissing, 2, 1, kView64},
        {C(6, L"InprocServer32"), L"default value", inSys, kFileMissing, 2, 1, kView64},
        {C(4, L"TreatAs"), L"default value", missing, kClsidMissing, 2, 1, kView32},
    });
    // The 32-bit find is shown with "Wow6432Node" but keeps the path it was read from.
    std::vector<const RegEntryProb*> found = scan.Of(g[4]);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->keyPath, L"Clsid\\Wow6432Node\\" + g[4] + L"\\TreatAs");
    EXPECT_EQ(found[0]->is64View, 0);
    EXPECT_EQ(scan.Of(g[5])[0]->is64View, 1);
    EXPECT_TRUE(reports.Take().empty());

    DeleteFileW((x86 + L"\\" + folder + L"\\a.dll").c_str());
    RemoveDirectoryW((x86 + L"\\" + folder).c_str());
    DeleteFileW((std::wstring(windows) + L"\\syswow64\\" + sysName).c_str());
}

TEST(ComScanner, TypeLibraryRules)
{
    testenv::ScratchDir dir(L"tlb");
    scantest::WriteFile(dir.File(L"lib.tlb"));
    ReportRecorder reports;
    RegFixture reg(KEY_WOW64_64KEY);
    const std::wstring mark = NewGuid().substr(1, 8);
    const std::wstring l1 = L"TypeLib\\{" + mark + NewGuid().substr(9);
    const std::wstring l2 = L"TypeLib\\{" + mark + NewGuid().substr(9);
    const std::wstring missingFile = dir.File(L"gone.tlb");

    reg.String(l1 + L"\\1.0", L"", L"Tamsel library");
    reg.String(l1 + L"\\1.0\\0\\win32", L"", missingFile);
    reg.String(l1 + L"\\1.0\\0\\win64", L"", missingFile);  // not walked
    reg.String(l1 + L"\\1.0\\FLAGS", L"", L"0");
    reg.Key(l1 + L"\\1.0\\FLAGS\\win32");                   // FLAGS is never entered
    reg.String(l1 + L"\\1.0\\HELPDIR", L"", dir.path());
    reg.String(l2 + L"\\2.0\\409\\win32", L"", dir.File(L"lib.tlb"));
    reg.Key(l2 + L"\\2.0\\0\\win32");
    reg.String(l2 + L"\\2.0\\HELPDIR", L"", dir.File(L"nohelp"));
    reg.String(l2 + L"\\2.0\\409\\win32", L"name", L"C:\\named\\values\\are\\not\\tested");

    ComScan scan;
    scan.Run(L"typelib", kView64);
    scan.ExpectExactly(mark, {
        {l2 + L"\\2.0\\HELPDIR", L"default value", dir.File(L"nohelp"), kFileMissing, 2, 1},
        {l1 + L"\\1.0\\0\\win32", L"default value", missingFile, kFileMissing, 2, 2},
        {l2 + L"\\2.0\\0\\win32", L"default value", L"", kDefaultValueNull, 1, 2},
    });
    EXPECT_TRUE(reports.Take().empty());
}

TEST(ComScanner, InterfaceRules)
{
    ReportRecorder reports;
    RegFixture reg(KEY_WOW64_64KEY);
    const std::wstring mark = NewGuid().substr(1, 8);
    std::vector<std::wstring> i;
    for (int n = 0; n < 5; ++n) i.push_back(L"Interface\\{" + mark + NewGuid().substr(9));
    const std::wstring missingClass = NewGuid();
    const std::wstring missingLib = NewGuid();
    const std::wstring otherInterface = L"{" + mark + NewGuid().substr(9);

    reg.String(i[0], L"", L"ITamsel");
    reg.String(i[0] + L"\\ProxyStubClsid32", L"", missingClass);
    reg.String(i[0] + L"\\TypeLib", L"", missingLib);
    reg.String(i[0] + L"\\TypeLib", L"Version", L"1.0");
    reg.String(i[1] + L"\\ProxyStubClsid32", L"", i[1].substr(10));  // itself
    reg.Key(L"Interface\\" + otherInterface);
    reg.String(i[2] + L"\\ProxyStubClsid", L"", otherInterface);     // an interface counts
    reg.Key(i[3] + L"\\TypeLib");
    reg.String(i[4] + L"\\ProxyStubClsid32", L"", L"");
    reg.String(i[4] + L"\\NumMethods", L"", L"C:\\not\\walked.dll");

    ComScan scan;
    scan.Run(L"interface", kView64);
    scan.ExpectExactly(mark, {
        {i[0] + L"\\ProxyStubClsid32", L"default value", missingClass, kClsidMissing, 2, 1},
        {i[0] + L"\\TypeLib", L"default value", missingLib, kClsidMissing, 2, 1},  // kind 2, not 8
        {i[3] + L"\\TypeLib", L"default value", L"", kDefaultValueNull, 0, 1},
        {i[4] + L"\\ProxyStubClsid32", L"default value", L"", kDefaultValueNull, 1, 1},
    });
    EXPECT_TRUE(reports.Take().empty());
}

TEST(ComScanner, AppIdRules)
{
    ReportRecorder reports;
    RegFixture reg(KEY_WOW64_64KEY);
    const std::wstring mark = testenv::UniqueName(L"appid");
    auto Exe = [&](int n) { return L"AppID\\" + mark + L"-" + std::to_wstring(n) + L".exe"; };
    const std::wstring present = NewGuid();
    const std::wstring missing = NewGuid();
    reg.Key(L"AppID\\" + present);
    reg.String(Exe(0), L"AppID", missing);
    reg.String(Exe(1), L"AppId", present);
    reg.Key(Exe(2));
    reg.String(Exe(3), L"CLSID", L"");
    reg.String(Exe(4), L"clsid", missing);
    reg.String(Exe(4), L"other", L"");
    reg.String(Exe(5) + L"\\sub", L"AppID", missing);  // one level only
    reg.String(L"AppID\\" + present, L"AppID", missing);  // GUID keys are never entered

    ComScan scan;
    scan.Run(L"AppID", kView64);
    scan.ExpectExactly(mark, {
        {Exe(0), L"AppID", missing, kClsidMissing, 2, 0},
        {Exe(2), L"default value", L"", kDefaultValueNull, 0, 1},
        {Exe(3), L"CLSID", L"", kDefaultValueNull, 1, 0},
        {Exe(4), L"clsid", missing, kClsidMissing, 2, 0},
    });
    EXPECT_TRUE(scan.Of(present).empty());
    EXPECT_EQ(scan.Of(mark)[0]->message, L"The clsid class does not exist!");
    EXPECT_TRUE(reports.Take().empty());
}

TEST(ComScanner, OtherSubKeysScanNothing)
{
    ReportRecorder reports;
    RegFixture reg(KEY_WOW64_64KEY);
    const std::wstring g = NewGuid();
    reg.Key(L"CLSID\\" + g + L"\\InprocServer32");
    ComScan scan;
    for (const wchar_t* tree : {L"clsid\\" , L"CLSID\\x", L"ProgID", L""}) scan.Run(tree, kView64);
    scan.Run(L"clsid\\" + g, kView64);
    EXPECT_EQ(scan.result.problems.GetCount(), 0);
    EXPECT_EQ(scan.engine.processedCount.load(), 0);
    EXPECT_TRUE(reports.Take().empty());
}
