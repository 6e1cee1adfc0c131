#include <gtest/gtest.h>

#include "support/JsonCheck.h"
#include "report/pure/ScanReport.h"

using report::ProblemInfo;
using report::ResultInfo;
using report::ScanReport;

namespace {

ProblemInfo Problem(const std::wstring& key, const std::wstring& value, int grade, int ignored = 0)
{
    ProblemInfo p;
    p.rootName = L"HKEY_CLASSES_ROOT";
    p.keyPath = key;
    p.valueName = value;
    p.data = L"C:\\gone\\x.dll";
    p.message = L"Invalid file or folder reference";
    p.grade = grade;
    p.ignored = ignored;
    p.scannedKeyPath = key;
    return p;
}

ScanReport TwoCategories()
{
    ScanReport r;
    r.categories = {{L"ComActiveX", L"COM/ActiveX Entries", 1, 2, 2, {{L"HKEY_CLASSES_ROOT", L"clsid"}}},
                    {L"Fonts", L"Font Entries", 0, 0, 0, {}},
                    {L"AppPaths", L"Application Paths", 1, 2, 0, {}}};
    ResultInfo com{L"COM/ActiveX Entries", 2, 0, 0, 0, 0, {}, 1200, {}};
    com.problems.push_back(Problem(L"Wow6432Node\\CLSID\\{1}\\InprocServer32", L"default value", 2));
    com.problems.push_back(Problem(L"CLSID\\{2}", L"AppID", 1));
    com.problems.push_back(Problem(L"CLSID\\{3}", L"x", 0, 1));  // ignored: not shown
    r.results.push_back(com);
    r.results.push_back({L"Application Paths", 0, 0, 0, 0, 0, {}, 0, {}});
    r.problemCount = 2;
    r.checkedCount = 2;
    r.itemsExamined = 1234;
    r.durationMs = 2561;
    r.scanThreads = 3;
    return r;
}

TEST(ScanReport, NamesOfGradesAndActions)
{
    EXPECT_EQ(report::GradeName(0), L"Common");
    EXPECT_EQ(report::GradeName(1), L"Fair");
    EXPECT_EQ(report::GradeName(2), L"Important");
    EXPECT_EQ(report::GradeName(3), L"grade 3");
    EXPECT_EQ(report::GradeName(-1), L"grade -1");
    EXPECT_EQ(report::FixActionName(0), L"delete value");
    EXPECT_EQ(report::FixActionName(1), L"delete key");
    EXPECT_EQ(report::FixActionName(2), L"delete parent tree");
    EXPECT_EQ(report::FixActionName(7), L"action 7");
}

TEST(ScanReport, DisplayKeyJoinsRootPathAndValue)
{
    ProblemInfo p = Problem(L"CLSID\\{1}", L"default value", 0);
    EXPECT_EQ(report::DisplayKey(p), L"HKEY_CLASSES_ROOT\\CLSID\\{1}\\default value");
    p.keyPath.clear();
    p.valueName = L"x";
    EXPECT_EQ(report::DisplayKey(p), L"HKEY_CLASSES_ROOT\\x");
}

TEST(ScanReport, TextListsShownProblemsByCategory)
{
    EXPECT_EQ(report::FormatText(TwoCategories()),
              L"COM/ActiveX Entries: 2 problems\n"
              L"  [Important] HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{1}\\InprocServer32\\default value\n"
              L"      Data:    C:\\gone\\x.dll\n"
              L"      Problem: Invalid file or folder reference\n"
              L"  [Fair] HKEY_CLASSES_ROOT\\CLSID\\{2}\\AppID\n"
              L"      Data:    C:\\gone\\x.dll\n"
              L"      Problem: Invalid file or folder reference\n"
              L"Application Paths: no problems\n"
              L"\n"
              L"2 problems in 1 of 2 categories; 1234 items examined in 2.5 s\n"
              L"not checked: 0\n");
}

TEST(ScanReport, TextOfAnEmptyOrStoppedScan)
{
    ScanReport r;
    r.itemsExamined = 1;
    r.stopped = true;
    EXPECT_EQ(report::FormatText(r),
              L"0 problems in 0 of 0 categories; 1 item examined in 0.0 s (stopped)\nnot checked: 0\n");
    ScanReport one;
    one.results.push_back({L"X", 1, 0, 0, 0, 0, {Problem(L"k", L"v\nw", 0)}, 0, {}});
    std::wstring t = report::FormatText(one);
    EXPECT_NE(t.find(L"X: 1 problem\n  [Common] HKEY_CLASSES_ROOT\\k\\v<U+000A>w\n"), std::wstring::npos)
        << t;
}

TEST(ScanReport, JsonHasEveryField)
{
    ScanReport r = TwoCategories();
    ProblemInfo& p = r.results[0].problems[0];
    p.is64View = 0;
    p.selected = 0;
    p.fixOk = 0;
    p.fixAction = 2;
    p.extent.kind = FixExtent::kTree;
    p.extent.keys = 12;
    p.extent.values = 40;
    p.refusal = L"refused: it would remove the container key HKEY_CLASSES_ROOT\\CLSID";
    p.scannedKeyPath = L"CLSID\\{1}\\InprocServer32";
    p.viewFlag = 0x0200;
    p.isDefaultValue = 1;
    p.data = L"\"C:\\a b\\\xD83D\xDE00.dll\"\t";
    r.peakWorkingSetBytes = 5000000000ULL;

    jsoncheck::Value v = jsoncheck::Parse(report::FormatJson(r));
    EXPECT_FALSE(v["stopped"].boolean);
    EXPECT_EQ(v["durationMs"].number, 2561);
    EXPECT_EQ(v["problemCount"].number, 2);
    EXPECT_EQ(v["checkedCount"].number, 2);
    EXPECT_EQ(v["shownProblemCount"].number, 2);
    EXPECT_EQ(v["itemsExamined"].number, 1234);
    EXPECT_EQ(v["scanThreads"].number, 3);
    EXPECT_EQ(v["peakWorkingSetBytes"].number, 5000000000LL);

    ASSERT_EQ(v["categories"].items.size(), 3u);
    const jsoncheck::Value& fonts = v["categories"][1];
    EXPECT_EQ(fonts["index"].number, 1);
    EXPECT_EQ(fonts["elementName"].text, L"Fonts");
    EXPECT_EQ(fonts["name"].text, L"Font Entries");
    EXPECT_FALSE(fonts["enabled"].boolean);
    EXPECT_EQ(v["categories"][0]["scanState"].number, 2);
    EXPECT_EQ(v["categories"][0]["foundCount"].number, 2);
    EXPECT_EQ(v["categories"][0]["keyEntries"][0]["subKey"].text, L"clsid");

    ASSERT_EQ(v["results"].items.size(), 2u);
    const jsoncheck::Value& com = v["results"][0];
    EXPECT_EQ(com["name"].text, L"COM/ActiveX Entries");
    for (const char* f : {"problemCount", "ignoredCount", "fixedCount", "notFixedCount", "fixState"})
        EXPECT_TRUE(com.Has(f)) << f;
    EXPECT_EQ(com["examinedCount"].number, 1200);
    ASSERT_EQ(com["problems"].items.size(), 3u);  // ignored ones too, with their flag
    const jsoncheck::Value& j = com["problems"][0];
    EXPECT_EQ(j["rootName"].text, L"HKEY_CLASSES_ROOT");
    EXPECT_EQ(j["keyPath"].text, L"Wow6432Node\\CLSID\\{1}\\InprocServer32");
    EXPECT_EQ(j["valueName"].text, L"default value");
    EXPECT_EQ(j["data"].text, p.data);
    EXPECT_EQ(j["message"].text, L"Invalid file or folder reference");
    EXPECT_EQ(j["is64View"].number, 0);
    EXPECT_EQ(j["removes"].text, L"tree: 12 keys, 40 values");
    EXPECT_EQ(j["extent"]["kind"].text, L"tree");
    EXPECT_EQ(j["extent"]["keys"].number, 12);
    EXPECT_EQ(j["extent"]["values"].number, 40);
    EXPECT_FALSE(j["extent"]["more"].boolean);
    EXPECT_EQ(j["refused"].text, L"refused: it would remove the container key HKEY_CLASSES_ROOT\\CLSID");
    EXPECT_FALSE(com["problems"][1].Has("refused"));
    EXPECT_EQ(j["selected"].number, 0);
    EXPECT_EQ(j["fixOk"].number, 0);
    EXPECT_EQ(j["ignored"].number, 0);
    EXPECT_EQ(j["grade"].number, 2);
    EXPECT_EQ(j["gradeName"].text, L"Important");
    EXPECT_EQ(j["fixAction"].number, 2);
    EXPECT_EQ(j["fixActionName"].text, L"delete parent tree");
    EXPECT_EQ(j["scannedKeyPath"].text, L"CLSID\\{1}\\InprocServer32");
    EXPECT_EQ(j["viewFlag"].number, 512);
    EXPECT_EQ(j["isDefaultValue"].number, 1);
    EXPECT_EQ(j["key"].text, L"HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{1}\\InprocServer32\\default value");
    EXPECT_EQ(com["problems"][2]["ignored"].number, 1);
    EXPECT_EQ(v["notCheckedCount"].number, 0);
    EXPECT_TRUE(com["notChecked"].items.empty());
}

// What the scan could not judge is counted in the text and listed, per
// category, in the JSON, apart from the problems.
TEST(ScanReport, PathsNotCheckedAreCountedAndListedApartFromTheProblems)
{
    ScanReport r = TwoCategories();
    r.results[0].notChecked = {{L"C:\\Program Files\\WindowsApps\\a.exe", NotCheckedPath::kSystemError, 5},
                               {L"HKEY_CLASSES_ROOT\\CLSID\\{9}", NotCheckedPath::kSystemError, 5}};
    r.results[1].notChecked = {{L"K:\\Tools\\app.exe", NotCheckedPath::kDriveNotFixed, 0},
                               {L"E:\\x.exe", NotCheckedPath::kDriveNotReady, 21},
                               {L"Q:\\x.exe", NotCheckedPath::kNoSuchDrive, 0},
                               {L"\\\\server\\share\\a.exe", NotCheckedPath::kNetworkPath, 0}};
    EXPECT_EQ(report::NotCheckedCount(r), 6);
    EXPECT_EQ(report::VisibleProblemCount(r), 2);  // none of them is a problem
    const std::wstring text = report::FormatText(r);
    EXPECT_EQ(text.substr(text.size() - 16), L"\nnot checked: 6\n") << text;
    EXPECT_EQ(text.find(L"K:\\Tools"), std::wstring::npos) << text;

    jsoncheck::Value v = jsoncheck::Parse(report::FormatJson(r));
    EXPECT_EQ(v["notCheckedCount"].number, 6);
    EXPECT_EQ(v["shownProblemCount"].number, 2);
    const struct {
        size_t result, index;
        const wchar_t* path;
        const wchar_t* reason;
        int64_t error;
    } rows[] = {
        {0, 0, L"C:\\Program Files\\WindowsApps\\a.exe", L"system error", 5},
        {0, 1, L"HKEY_CLASSES_ROOT\\CLSID\\{9}", L"system error", 5},
        {1, 0, L"K:\\Tools\\app.exe", L"drive not fixed", 0},
        {1, 1, L"E:\\x.exe", L"drive not ready", 21},
        {1, 2, L"Q:\\x.exe", L"no such drive", 0},
        {1, 3, L"\\\\server\\share\\a.exe", L"network path", 0},
    };
    for (const auto& row : rows) {
        const jsoncheck::Value& n = v["results"][row.result]["notChecked"][row.index];
        EXPECT_EQ(n["path"].text, row.path);
        EXPECT_EQ(n["reason"].text, row.reason);
        EXPECT_EQ(n["error"].number, row.error);
        EXPECT_EQ(n.members.size(), 3u);
    }
    EXPECT_EQ(v["results"][0]["problems"].items.size(), 3u);
}

}  // namespace

namespace {

// The dry run's per-problem line and its total count only what will be
// removed: checked, not ignored, not refused.
TEST(ScanReport, WhatTheFixRemovesPerProblemAndInTotal)
{
    auto with = [](int kind, unsigned keys, unsigned values, int more = 0) {
        ProblemInfo p = Problem(L"k", L"v", 0);
        p.extent.kind = kind;
        p.extent.keys = keys;
        p.extent.values = values;
        p.extent.more = more;
        return p;
    };
    ScanReport r;
    report::ResultInfo result{L"X", 6, 0, 0, 0, 0, {}, 0, {}};
    result.problems.push_back(with(FixExtent::kValue, 0, 1));
    result.problems.push_back(with(FixExtent::kKey, 1, 3));
    result.problems.push_back(with(FixExtent::kTree, 12, 40));
    result.problems.push_back(with(FixExtent::kShortcutFile, 0, 0));
    ProblemInfo refused = with(FixExtent::kTree, 5000, 1, 1);
    refused.refusal = L"refused: the key tree is too large";
    refused.selected = 0;
    result.problems.push_back(refused);
    ProblemInfo unchecked = with(FixExtent::kValue, 0, 1);
    unchecked.selected = 0;
    result.problems.push_back(unchecked);
    r.results.push_back(result);
    EXPECT_EQ(report::FixTotals(r),
              L"1 value, 1 key (with 3 values), 1 key tree (12 keys, 40 values), 1 shortcut file");
    const std::wstring text = report::FormatText(r);
    EXPECT_NE(text.find(L"      Removes: key, 3 values\n"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"      Removes: tree: 12 keys, 40 values\n"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"      Fix:     refused: the key tree is too large\n"), std::wstring::npos) << text;
}

}  // namespace
