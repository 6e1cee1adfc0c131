// Runs the real bin\TamselCli.exe (which loads the real Corvex.dll) with
// scratch settings files, and checks exit codes, stdout and stderr.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "CliRun.h"
#include "support/JsonCheck.h"
#include "support/TestEnv.h"

namespace {

using namespace clirun;

// Three categories: one no scanner knows (with keys that must not be
// visited), one disabled, one whose only key does not exist.
std::string SettingsXml(const std::wstring& missingKey)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<ScanSetting>\n"
           "  <!-- scratch settings -->\n"
           "  <Odd flag=\"true\" category=\"N\xC3\xB6thing \xE5\x87\xBA &quot;Here&quot;\">\n"
           "    <Key rootKey=\"HKEY_LOCAL_MACHINE\" subKey=\"SOFTWARE\"/>\n"
           "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"Software\"/>\n"
           "    <Key rootKey=\"HKEY_CLASSES_ROOT\" subKey=\"clsid\"/>\n"
           "  </Odd>\n"
           "  <Fonts flag=\"FALSE\" category=\"Font Entries\"/>\n"
           "  <AppPaths flag=\"true\" category=\"Application Paths\">\n"
           "    <Key rootKey=\"HKEY_LOCAL_MACHINE\" subKey=\"" +
           testenv::WideToUtf8(missingKey) +
           "\"/>\n"
           "  </AppPaths>\n"
           "</ScanSetting>\n";
}

const std::wstring kOddName = L"N\u00F6thing \u51FA \"Here\"";

class CliEndToEnd : public ::testing::Test {
protected:
    testenv::ScratchDir dir{L"cli"};
    std::wstring missingKey = L"SOFTWARE\\" + testenv::UniqueName(L"nokey");
    std::string xml = SettingsXml(missingKey);
    std::wstring settings = dir.File(L"settings.xml");

    void SetUp() override { dir.Write(L"settings.xml", xml); }

    static std::vector<std::wstring> ResultNames(const jsoncheck::Value& doc)
    {
        std::vector<std::wstring> names;
        for (const jsoncheck::Value& r : doc["results"].items) names.push_back(r["name"].text);
        return names;
    }

    // The tool works on a copy: the given file stays as it was, and the
    // temporary folder is gone.
    void ExpectNoTraces(const Outcome& run)
    {
        EXPECT_EQ(dir.Read(L"settings.xml"), xml);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        WIN32_FIND_DATAW fd;
        std::wstring pattern = std::wstring(temp) + L"TamselCli-" + std::to_wstring(run.pid) + L"-*";
        HANDLE h = FindFirstFileW(pattern.c_str(), &fd);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE) << testenv::WideToUtf8(pattern);
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};

TEST_F(CliEndToEnd, HelpGoesToStdout)
{
    Outcome run = RunCli({L"--help"});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.out.rfind("usage: TamselCli <command>", 0), 0u) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST_F(CliEndToEnd, BadArgumentsGiveExitTwoAndOneLine)
{
    const std::vector<std::vector<std::wstring>> cases = {
        {},
        {L"frob"},
        {L"scan", L"--bogus"},
        {L"scan", L"--category"},
        {L"backups", L"--quiet"},
        {L"scan", L"--settings", dir.File(L"absent.xml")},
        {L"scan", L"--settings", settings, L"--category", L"Nothing"},
    };
    for (const auto& args : cases) {
        Outcome run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_TRUE(IsOneErrorLine(run.err)) << run.err;
        EXPECT_EQ(run.out, "");
    }
    Outcome unknown = RunCli({L"scan", L"--settings", settings, L"--category", L"Nothing"});
    EXPECT_EQ(unknown.err, "TamselCli: unknown category 'Nothing' (see TamselCli categories)\n");
    ExpectNoTraces(unknown);
    Outcome absent = RunCli({L"scan", L"--settings", dir.File(L"absent.xml")});
    EXPECT_EQ(absent.err,
              "TamselCli: settings file not found: " + testenv::WideToUtf8(dir.File(L"absent.xml")) + "\n");
}

// With --json a failure is a document on stdout too, never an empty stdout;
// the words of a command line that does not parse are enough to ask for it.
TEST_F(CliEndToEnd, JsonErrorDocuments)
{
    Outcome bogus = RunCli({L"scan", L"--bogus", L"--json"});
    jsoncheck::Value doc = ExpectErrorDocument(bogus, nullptr);
    EXPECT_EQ(doc["error"].text, L"unknown option '--bogus' (see TamselCli --help)");
    EXPECT_TRUE(IsOneErrorLine(bogus.err)) << bogus.err;

    Outcome unknown = RunCli({L"scan", L"--json", L"--settings", settings, L"--category", L"Nothing"});
    doc = ExpectErrorDocument(unknown, L"scan");
    EXPECT_EQ(doc["error"].text, L"unknown category 'Nothing' (see TamselCli categories)");
    EXPECT_FALSE(doc.Has("results"));
    ExpectNoTraces(unknown);

    // "--json" as the value of --category is a category name, not the option.
    Outcome value = RunCli({L"scan", L"--settings", settings, L"--category", L"--json"});
    EXPECT_EQ(value.exitCode, 2u);
    EXPECT_EQ(value.out, "");
    EXPECT_EQ(value.err, "TamselCli: unknown category '--json' (see TamselCli categories)\n");
}

TEST_F(CliEndToEnd, JsonScanOfScratchSettings)
{
    Outcome run = RunCli({L"scan", L"--json", L"--settings", settings});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    jsoncheck::Value doc = jsoncheck::Parse(run.out);
    ExpectFactsOfThisSystem(doc);
    EXPECT_EQ(doc["command"].text, L"scan");
    EXPECT_EQ(doc["exitCode"].number, 0);
    EXPECT_FALSE(doc.Has("error"));
    EXPECT_FALSE(doc["stopped"].boolean);
    EXPECT_EQ(doc["problemCount"].number, 0);
    EXPECT_EQ(doc["checkedCount"].number, 0);
    EXPECT_GE(doc["durationMs"].number, 0);
    EXPECT_GT(doc["peakWorkingSetBytes"].number, 0);
    ASSERT_EQ(doc["categories"].items.size(), 3u);
    const jsoncheck::Value& odd = doc["categories"][0];
    EXPECT_EQ(odd["name"].text, kOddName);  // UTF-8 and escapes survive the trip
    EXPECT_EQ(odd["keyEntries"].items.size(), 3u);
    EXPECT_EQ(odd["scanState"].number, 2);
    EXPECT_FALSE(doc["categories"][1]["enabled"].boolean);
    EXPECT_EQ(doc["categories"][1]["scanState"].number, 0);
    EXPECT_EQ(doc["categories"][2]["keyEntries"][0]["subKey"].text, missingKey);
    EXPECT_EQ(ResultNames(doc), (std::vector<std::wstring>{kOddName, L"Application Paths"}));
    for (const jsoncheck::Value& r : doc["results"].items) EXPECT_TRUE(r["problems"].items.empty());
    ExpectNoTraces(run);
}

// --progress=json: stderr holds only JSON objects, one a line, and each
// scanned category ends with a "done" one; stdout is the document as before.
TEST_F(CliEndToEnd, JsonProgressLines)
{
    Outcome run = RunCli({L"scan", L"--json", L"--progress=json", L"--settings", settings});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(jsoncheck::Parse(run.out)["results"].items.size(), 2u);
    std::vector<std::wstring> done;
    size_t start = 0;
    for (size_t end; (end = run.err.find('\n', start)) != std::string::npos; start = end + 1) {
        const jsoncheck::Value line = jsoncheck::Parse(run.err.substr(start, end - start));
        EXPECT_GE(line["itemsExamined"].number, 0);
        if (line.Has("done") && line["done"].boolean) done.push_back(line["category"].text);
    }
    EXPECT_EQ(start, run.err.size()) << "a last line without its line break";
    EXPECT_EQ(done, (std::vector<std::wstring>{kOddName, L"Application Paths"})) << run.err;
}

TEST_F(CliEndToEnd, CategoryOptionLimitsTheScan)
{
    const struct {
        std::vector<std::wstring> names;
        std::vector<std::wstring> results;
    } cases[] = {
        {{L"application PATHS"}, {L"Application Paths"}},
        {{L"Font Entries"}, {L"Font Entries"}},                      // disabled in the file, chosen here
        {{L"Font Entries", kOddName}, {kOddName, L"Font Entries"}},  // file order, not argument order
    };
    for (const auto& c : cases) {
        // A relative --settings is taken from where the tool was started.
        std::vector<std::wstring> args = {L"scan", L"--json", L"--quiet", L"--settings", L"settings.xml"};
        for (const std::wstring& n : c.names) args.insert(args.end(), {L"--category", n});
        Outcome run = RunCli(args);
        ASSERT_EQ(run.exitCode, 0u) << run.err;
        EXPECT_EQ(run.err, "");
        jsoncheck::Value doc = jsoncheck::Parse(run.out);
        EXPECT_EQ(ResultNames(doc), c.results);
        EXPECT_EQ(doc["categories"].items.size(), 3u);
        ExpectNoTraces(run);
    }
}

TEST_F(CliEndToEnd, TextScanWithProgressOnAPipe)
{
    Outcome run = RunCli({L"scan", L"--settings", settings});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::string odd = testenv::WideToUtf8(kOddName);
    EXPECT_EQ(run.out, odd +
                           ": no problems\nApplication Paths: no problems\n\n"
                           "0 problems in 0 of 2 categories; 0 items examined in " +
                           run.out.substr(run.out.rfind(" in ") + 4));
    EXPECT_NE(run.out.find("examined in "), std::string::npos);
    // stderr is a pipe, not a console: whole lines, nothing rewritten in place.
    EXPECT_EQ(run.err, "[1/2] " + odd +
                           ": 0 problems, 0 items examined\n"
                           "[2/2] Application Paths: 0 problems, 0 items examined\n");
}

TEST_F(CliEndToEnd, CategoriesOfAnotherSettingsFile)
{
    Outcome run = RunCli({L"categories", L"--settings", settings});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, "on \t" + testenv::WideToUtf8(kOddName) +
                           "\t3 key(s)\n"
                           "off\tFont Entries\t0 key(s)\n"
                           "on \tApplication Paths\t1 key(s)\n");
}

TEST_F(CliEndToEnd, ScanListCategoriesScansNothing)
{
    Outcome run = RunCli({L"scan", L"--list-categories", L"--settings", settings});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::string lines[] = {"0\t", "1\t", "2\t"};
    size_t at = 0;
    for (const std::string& start : lines) {
        EXPECT_EQ(run.out.compare(at, start.size(), start), 0) << run.out;
        at = run.out.find('\n', at) + 1;
    }
    EXPECT_NE(run.out.find("\tFont Entries\tdisabled\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\tApplication Paths\tenabled\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");  // no progress: nothing was scanned
}

TEST_F(CliEndToEnd, MissingEngineIsOneLine)
{
    // The tool and its runtime alone, without Corvex.dll beside it.
    std::wstring exe = dir.File(L"TamselCli.exe");
    ASSERT_TRUE(CopyFileW(CliExe().c_str(), exe.c_str(), FALSE));
    for (const wchar_t* dll :
         {L"libstdc++-6.dll", L"libgcc_s_seh-1.dll", L"libgcc_s_dw2-1.dll", L"libwinpthread-1.dll"})
        CopyFileW((testenv::BinDir() + L"\\" + dll).c_str(), dir.File(dll).c_str(), FALSE);
    Outcome run = RunExe(exe, {L"scan"});
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_EQ(run.err.rfind("TamselCli: cannot load Corvex.dll (error ", 0), 0u) << run.err;
    EXPECT_TRUE(IsOneErrorLine(run.err)) << run.err;
    EXPECT_EQ(run.out, "");
}

}  // namespace

namespace {

// Two scans with one problem fixed and one planted between them: exactly
// one gone, one new, one unchanged, in the JSON and the text.
TEST_F(CliEndToEnd, CompareWithAnEarlierScan)
{
    testenv::ScratchKey paths(HKEY_CURRENT_USER, L"Software", L"clicompare");
    const std::wstring nowhere = L"C:\\nowhere-" + testenv::UniqueName(L"x") + L"\\";
    paths.SetString(L"a.exe", L"", nowhere + L"a.exe");
    paths.SetString(L"b.exe", L"", nowhere + L"b.exe");
    dir.Write(L"paths.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
              "  <AppPaths flag=\"true\" category=\"Application Paths\">\n"
              "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
                  testenv::WideToUtf8(paths.path()) + "\"/>\n  </AppPaths>\n</ScanSetting>\n");
    const std::vector<std::wstring> scan = {L"scan", L"--quiet", L"--settings", dir.File(L"paths.xml")};
    std::vector<std::wstring> json = scan;
    json.push_back(L"--json");
    Outcome first = RunCli(json);
    ASSERT_EQ(first.exitCode, 1u) << first.err;
    const std::wstring scannedAt = jsoncheck::Parse(first.out)["scannedAt"].text;
    EXPECT_EQ(scannedAt.size(), 19u);
    dir.Write(L"old.json", first.out);

    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, (paths.path() + L"\\a.exe").c_str()), ERROR_SUCCESS);
    paths.SetString(L"c.exe", L"", nowhere + L"c.exe");
    std::vector<std::wstring> compare = json;
    compare.insert(compare.end(), {L"--compare", dir.File(L"old.json")});
    Outcome second = RunCli(compare);
    ASSERT_EQ(second.exitCode, 1u) << second.err;
    jsoncheck::Value doc = jsoncheck::Parse(second.out);
    ASSERT_EQ(doc["new"].items.size(), 1u);
    ASSERT_EQ(doc["gone"].items.size(), 1u);
    ASSERT_EQ(doc["unchanged"].items.size(), 1u);
    EXPECT_NE(doc["new"][0]["key"].text.find(L"c.exe"), std::wstring::npos);
    EXPECT_NE(doc["gone"][0]["key"].text.find(L"a.exe"), std::wstring::npos);
    EXPECT_NE(doc["unchanged"][0]["key"].text.find(L"b.exe"), std::wstring::npos);
    EXPECT_EQ(doc["gone"][0]["category"].text, L"Application Paths");
    EXPECT_EQ(doc["comparedWith"]["scannedAt"].text, scannedAt);

    std::vector<std::wstring> text = scan;
    text.insert(text.end(), {L"--compare", L"old.json"});  // relative to where the tool started
    Outcome line = RunCli(text);
    EXPECT_NE(line.out.find("\n1 new, 1 gone since " + testenv::WideToUtf8(scannedAt) + "\n"), std::string::npos)
        << line.out << line.err;

    // Not a report: refused before scanning, as one error.
    std::vector<std::wstring> bad = json;
    bad.insert(bad.end(), {L"--compare", dir.File(L"paths.xml")});
    doc = ExpectErrorDocument(RunCli(bad), L"scan");
    EXPECT_NE(doc["error"].text.find(L"is not a report of 'scan --json': "), std::wstring::npos);
    EXPECT_FALSE(doc.Has("results"));
}

// A value on a drive letter no drive has is not judged: the text report
// counts it, the JSON lists it with its category, and it is no problem.
TEST_F(CliEndToEnd, PathsOnAbsentDrivesAreListedAsNotChecked)
{
    wchar_t absent = 0;
    const DWORD drives = GetLogicalDrives();
    for (wchar_t c = L'Q'; c <= L'Y' && !absent; ++c)
        if (!(drives & (1u << (c - L'A')))) absent = c;
    ASSERT_NE(absent, 0);
    const std::wstring onAbsent = std::wstring(1, absent) + L":\\Tools\\" + testenv::UniqueName(L"x") + L".exe";
    testenv::ScratchKey paths(HKEY_CURRENT_USER, L"Software", L"clinotchecked");
    paths.SetString(L"a.exe", L"", onAbsent);
    paths.SetString(L"b.exe", L"", L"C:\\nowhere-" + testenv::UniqueName(L"x") + L"\\b.exe");
    dir.Write(L"paths.xml",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
              "  <AppPaths flag=\"true\" category=\"Application Paths\">\n"
              "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
                  testenv::WideToUtf8(paths.path()) + "\"/>\n  </AppPaths>\n</ScanSetting>\n");

    Outcome text = RunCli({L"scan", L"--quiet", L"--settings", dir.File(L"paths.xml")});
    ASSERT_EQ(text.exitCode, 1u) << text.err;  // b.exe
    EXPECT_EQ(text.err, "");
    EXPECT_NE(text.out.find("Application Paths: 1 problem\n"), std::string::npos) << text.out;
    EXPECT_EQ(text.out.substr(text.out.size() - 16), "\nnot checked: 1\n") << text.out;

    Outcome json = RunCli({L"scan", L"--json", L"--quiet", L"--settings", dir.File(L"paths.xml")});
    ASSERT_EQ(json.exitCode, 1u) << json.err;
    jsoncheck::Value doc = jsoncheck::Parse(json.out);
    EXPECT_EQ(doc["notCheckedCount"].number, 1);
    const jsoncheck::Value& result = doc["results"][0];
    ASSERT_EQ(result["problems"].items.size(), 1u);
    EXPECT_NE(result["problems"][0]["key"].text.find(L"b.exe"), std::wstring::npos);
    ASSERT_EQ(result["notChecked"].items.size(), 1u);
    EXPECT_EQ(result["notChecked"][0]["path"].text, onAbsent);
    EXPECT_EQ(result["notChecked"][0]["reason"].text, L"no such drive");
    EXPECT_EQ(result["notChecked"][0]["error"].number, 0);
}

}  // namespace

// On several threads each finished category's line still gives its own
// items, and the document the total and the thread count.
TEST_F(CliEndToEnd, EachCategoryLineCountsItsOwnItemsOnSeveralThreads)
{
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"cliitems");
    for (int i = 0; i < 3; ++i) key.SetString(L"Paths\\tool" + std::to_wstring(i) + L".exe", L"", dir.File(L"settings.xml"));
    for (int i = 0; i < 5; ++i) key.SetString(L"History", L"entry" + std::to_wstring(i), L"text");
    const std::string path = testenv::WideToUtf8(key.path());
    dir.Write(L"items.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
                            "  <P flag=\"true\" category=\"Application Paths\">\n"
                            "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + path + "\\Paths\"/>\n"
                            "  </P>\n"
                            "  <H flag=\"true\" category=\"History Lists\">\n"
                            "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + path + "\\History\"/>\n"
                            "  </H>\n"
                            "</ScanSetting>\n");
    Outcome run = RunCli({L"scan", L"--json", L"--threads", L"4", L"--settings", dir.File(L"items.xml")});
    ASSERT_EQ(run.exitCode, 1u) << run.err;  // every history entry is a problem
    EXPECT_EQ(run.err, "[1/2] Application Paths: 0 problems, 3 items examined\n"
                       "[2/2] History Lists: 5 problems, 5 items examined\n");
    jsoncheck::Value doc = jsoncheck::Parse(run.out);
    EXPECT_EQ(doc["itemsExamined"].number, 8);
    EXPECT_EQ(doc["scanThreads"].number, 2);  // no more threads than pieces of work
    EXPECT_EQ(doc["results"][0]["examinedCount"].number, 3);
    EXPECT_EQ(doc["results"][1]["examinedCount"].number, 5);
}
