// Matching two scans' problems: by where the fix acts, the view, the value
// and the message, each earlier problem at most once.
#include <gtest/gtest.h>

#include "report/pure/ScanCompare.h"

namespace {

using report::ProblemInfo;
using report::ScanReport;

ProblemInfo At(const std::wstring& path, const std::wstring& value, int view = 0x0100)
{
    ProblemInfo p;
    p.rootName = L"HKEY_LOCAL_MACHINE";
    p.keyPath = path;
    p.scannedKeyPath = path;
    p.valueName = value;
    p.viewFlag = view;
    p.message = L"The file or directroy does not exist!";
    return p;
}

ScanReport Report(std::vector<ProblemInfo> problems, const std::wstring& when = L"")
{
    ScanReport r;
    r.scannedAt = when;
    r.results.push_back({L"Application Paths", static_cast<int>(problems.size()), 0, 0, 0, 0, problems, 0, {}});
    return r;
}

TEST(ScanCompare, NewGoneAndUnchanged)
{
    ProblemInfo ignored = At(L"S\\ignored", L"v");
    ignored.ignored = 1;
    const std::string old = report::FormatJson(Report(
        {At(L"S\\a", L"v"), At(L"S\\b", L"v"), At(L"S\\b", L"v"), At(L"S\\view", L"v", 0x0200), ignored},
        L"2026-12-01 08:00:00"));
    // b twice before and once now: one of them is gone. The same path in the
    // other view is another problem; case does not matter in the registry.
    report::Comparison c;
    std::wstring error;
    ASSERT_TRUE(report::CompareWithReport(
        Report({At(L"s\\B", L"V"), At(L"S\\view", L"v", 0x0100), At(L"S\\ignored", L"v")}), old, c, error))
        << std::string(error.begin(), error.end());
    ASSERT_EQ(c.unchanged.size(), 1u);
    EXPECT_EQ(c.unchanged[0].key, L"HKEY_LOCAL_MACHINE\\s\\B\\V");
    ASSERT_EQ(c.added.size(), 2u);  // the other view, and the one ignored before
    ASSERT_EQ(c.gone.size(), 3u);   // a, the second b, the 32-bit view one, in the earlier order
    EXPECT_EQ(c.gone[0].key, L"HKEY_LOCAL_MACHINE\\S\\a\\v");
    EXPECT_EQ(c.gone[2].key, L"HKEY_LOCAL_MACHINE\\S\\view\\v");
    EXPECT_EQ(report::ComparisonLine(c), L"2 new, 3 gone since 2026-12-01 08:00:00");
}

// A class-root find is the same problem whichever way the root was shown,
// as long as its real key is the same.
TEST(ScanCompare, TheRealLocationDecides)
{
    ProblemInfo before = At(L"CLSID\\{1}", L"InprocServer32");
    before.rootName = L"HKEY_CLASSES_ROOT";
    before.realRootName = L"HKEY_LOCAL_MACHINE";
    before.realKeyPath = L"Software\\Classes\\CLSID\\{1}";
    ProblemInfo now = before;
    now.viewFlag = 0x0200;  // read in another view, but the same real key
    now.scannedKeyPath = L"Wow6432Node\\CLSID\\{1}";
    report::Comparison c;
    std::wstring error;
    ASSERT_TRUE(report::CompareWithReport(Report({now}), report::FormatJson(Report({before})), c, error));
    EXPECT_EQ(c.unchanged.size(), 1u);
    EXPECT_EQ(report::ComparisonLine(c), L"0 new, 0 gone since the earlier scan");
}

TEST(ScanCompare, WhatIsNotAReportIsRefused)
{
    for (const char* bad : {"", "[]", "{\"results\": 3}", "{\"results\": [{\"name\": \"x\"}]}",
                            "{\"results\": [{\"problems\": [{\"viewFlag\": \"x\"}]}]}",
                            "{\"results\": [{\"problems\": [{\"viewFlag\": 256, \"rootName\": 5}]}]}"}) {
        report::Comparison c;
        std::wstring error;
        EXPECT_FALSE(report::CompareWithReport(ScanReport{}, bad, c, error)) << bad;
        EXPECT_EQ(error.rfind(L"not a report of 'scan --json': ", 0), 0u) << bad;
    }
    // Nested without end: refused, not a stack overflow.
    report::Comparison c;
    std::wstring error;
    EXPECT_FALSE(report::CompareWithReport(ScanReport{}, std::string(100000, '['), c, error));
}

}  // namespace
