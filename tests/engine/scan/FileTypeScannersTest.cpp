// The file type scanners over real keys of the test prefix: application
// paths and per-user extension records under scratch keys, and the class
// root's extensions and ProgIDs with names unique to the test.
#include <gtest/gtest.h>

#include <string>

#include "ScanFixtures.h"
#include "ScannerHarness.h"
#include "scan/ProblemRecord.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

using namespace scan;
using scantest::Expected;
using scantest::RegFixture;
using scantest::ScannerHarness;

TEST(FileTypeScanners, AppPathsTestOnlyTheDefaultAndPathValues)
{
    testenv::ScratchDir dir(L"apppaths");
    scantest::WriteFile(dir.File(L"present.exe"));
    const std::wstring missing = dir.File(L"missing.exe");
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"apppaths");
    const std::wstring& k = key.path();
    key.SetString(L"tool.exe", L"", missing);
    key.SetString(L"tool.exe", L"Path", dir.path());
    key.SetString(L"tool.exe", L"Other", missing);                    // not tested
    key.SetString(L"tool.exe\\deeper", L"", missing);                 // depth 2: never walked
    key.SetString(L"empty.exe", L"", L"");
    key.SetString(L"empty.exe", L"Other", L"");
    key.SetString(L"path.exe", L"", dir.File(L"present.exe") + L" -x");
    key.SetString(L"path.exe", L"PATH", dir.File(L"gone"), REG_EXPAND_SZ);
    key.SetString(L"nodrive.exe", L"", L"tool.exe");                  // no drive path: never reported
    key.CreateKey(L"bare.exe");
    key.SetDword(L"dword.exe", L"", 1);                               // not a string: skipped

    ScannerHarness h(L"Application Paths");
    h.Run(ScanAppPaths, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    h.ExpectExactly(k, {
        {k + L"\\tool.exe", L"default value", missing, kFileMissing, kImportant, kDeleteValue},
        {k + L"\\empty.exe", L"default value", L"", kFileMissing, kFair, kDeleteValue},
        {k + L"\\empty.exe", L"Other", L"", kFileMissing, kFair, kDeleteValue},
        {k + L"\\path.exe", L"PATH", dir.File(L"gone"), kFileMissing, kImportant, kDeleteValue},
        {k + L"\\bare.exe", L"default value", L"", kDefaultValueNull, kCommon, kDeleteKey},
    });
    EXPECT_TRUE(reports.Take().empty());
}

TEST(FileTypeScanners, FileExtsOfferOpenWithListsAndTestProgIds)
{
    ReportRecorder reports;
    RegFixture classes(KEY_WOW64_64KEY);
    const std::wstring prog = testenv::UniqueName(L"prog");
    const std::wstring gone = testenv::UniqueName(L"gone");
    classes.Key(prog);
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"fileexts");
    const std::wstring& k = key.path();
    const std::wstring ext = k + L"\\.tmsa";
    key.SetString(L".tmsa", L"", gone);                 // the unnamed value: not tested
    key.SetString(L".tmsa", L"Progid", prog);           // exists: no problem
    key.SetString(L".tmsa", L"Application", L"");
    key.SetString(L".tmsa", L"Bad", gone);
    key.SetString(L".tmsa\\OpenWithList", L"a", L"x.exe");
    key.SetString(L".tmsa\\OpenWithList", L"b", L"y.exe");
    key.SetString(L".tmsa\\OpenWithList", L"c", L"z.exe");
    key.SetString(L".tmsa\\OpenWithList", L"MRUList", L"cba");
    key.SetString(L".tmsa\\OpenWithList\\deeper", L"d", L"w.exe");  // depth 3: never walked
    key.SetString(L".tmsa\\OpenWithProgids", prog, L"");
    key.SetString(L".tmsa\\OpenWithProgids", gone, L"");
    key.SetString(L".tmsa\\UserChoice", L"Progid", gone);            // depth 2, other key: not tested
    key.CreateKey(L".tmsb");

    ScannerHarness h(L"File Extensions");
    h.Run(ScanFileExtensions, HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", k);
    const std::wstring list = ext + L"\\OpenWithList";
    h.ExpectExactly(k, {
        {ext, L"Application", L"", kDefaultValueNull, kFair, kDeleteValue},
        {ext, L"Bad", gone, kFileClassMissing, kImportant, kDeleteValue},
        {list, L"a", L"x.exe", kOpenWithList, kCommon, kDeleteValue},
        {list, L"b", L"y.exe", kOpenWithList, kCommon, kDeleteValue},
        {list, L"c", L"z.exe", kOpenWithList, kCommon, kDeleteValue},
        {list, L"MRUList", L"cba", kOpenWithList, kCommon, kDeleteValue},
        {ext + L"\\OpenWithProgids", gone, L"", kFileClassMissing, kImportant, kDeleteValue},
        {k + L"\\.tmsb", L"default value", L"", kDefaultValueNull, kCommon, kDeleteKey},
    });
    EXPECT_TRUE(reports.Take().empty());
}

TEST(FileTypeScanners, FileAssociationsTestExtensionsAndProgIds)
{
    testenv::ScratchDir dir(L"fileassoc");
    scantest::WriteFile(dir.File(L"present.exe"));
    const std::wstring missing = dir.File(L"missing.exe");
    ReportRecorder reports;
    RegFixture reg(KEY_WOW64_64KEY);
    const std::wstring m = testenv::UniqueName(L"fa");  // every fixture name holds it
    const std::wstring file = m + L"file";
    const std::wstring gone = m + L"gone";
    const std::wstring guid = scantest::NewGuid();
    const std::wstring handlerKey = scantest::NewGuid();  // an id named by its own key counts as present
    reg.String(L"." + m + L"bad", L"", gone);
    reg.String(L"." + m + L"ok", L"", file);
    reg.String(L"." + m + L"ok", L"Content Type", gone);                     // named: not tested
    reg.String(file + L"\\shell", L"", L"");                                 // shell may be empty
    reg.String(file + L"\\shell\\open\\command", L"", L"\"" + missing + L"\" \"%1\"");
    reg.String(file + L"\\shell\\open\\ddeexec", L"", missing);              // not a command key
    reg.String(file + L"\\shell\\edit\\command", L"", L"\"" + dir.File(L"present.exe") + L"\" \"%1\"");
    reg.String(file + L"\\DefaultIcon", L"", L"");
    reg.String(file + L"\\CLSID", L"", L"not a guid");
    reg.String(file + L"\\CurVer", L"", gone);
    reg.String(file + L"\\shellex\\ContextMenuHandlers\\x", L"", guid);
    reg.String(file + L"\\shellex\\" + handlerKey, L"", guid);
    reg.String(file + L"\\shellex\\" + handlerKey, L"named", gone);          // named: not tested
    reg.String(file + L"\\shellex\\" + guid, L"", guid);
    reg.Key(file + L"\\OpenWithProgids");                                    // empty depth-2 key
    reg.String(file + L"\\.OpenWithProgids", gone, L"");                     // dot-named: its names are classes
    reg.String(file + L"\\OpenWithProgids2", gone, L"");                     // mark clear: named values untested
    // The trees the walk never enters.
    for (const wchar_t* tree : {L"CLSID", L"Interface", L"TypeLib", L"AppID", L"Installer", L"Wow6432Node"})
        reg.String(std::wstring(tree) + L"\\" + m + L"x\\DefaultIcon", L"", L"");

    ScannerHarness h(L"File Associations");
    h.Run(ScanFileAssociations, HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L"ignored");
    const std::wstring sx = file + L"\\shellex\\";
    h.ExpectExactly(m, {
        {L"." + m + L"bad", L"default value", gone, kFileClassMissing, kImportant, kDeleteValue},
        {file + L"\\shell\\open\\command", L"default value", L"\"" + missing + L"\" \"%1\"", kFileMissing,
         kImportant, kDeleteKey},
        {file + L"\\DefaultIcon", L"default value", L"", kDefaultValueNull, kFair, kDeleteKey},
        {file + L"\\CLSID", L"default value", L"not a guid", kClsidMissing, kImportant, kDeleteKey},
        {file + L"\\CurVer", L"default value", gone, kFileClassMissing, kFair, kDeleteKey},
        {sx + L"ContextMenuHandlers\\x", L"default value", guid, kClsidMissing, kImportant, kDeleteKey},
        {sx + handlerKey, L"default value", guid, kClsidMissing, kImportant, kDeleteKey},
        {file + L"\\OpenWithProgids", L"default value", L"", kDefaultValueNull, kCommon, kDeleteKey},
        {file + L"\\.OpenWithProgids", gone, L"", kFileClassMissing, kImportant, kDeleteValue},
    });
    EXPECT_TRUE(reports.Take().empty());
}
