#include "ScannerHarness.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "pure/TextRules.h"
#include "scan/ProblemRecord.h"
#include "support/TestEnv.h"

namespace scantest {

std::string Describe(const RegEntryProb& p)
{
    return testenv::WideToUtf8(p.scannedKeyPath + L" | " + p.valueName + L" | " + p.data + L" | " + p.message) +
           " | grade " + std::to_string(p.grade) + " action " + std::to_string(p.fixAction) + " view " +
           std::to_string(p.viewFlag);
}

std::wstring Env(const wchar_t* name)
{
    wchar_t buffer[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(name, buffer, MAX_PATH);
    return std::wstring(buffer, n < MAX_PATH ? n : 0);
}

ScannerHarness::ScannerHarness(const std::wstring& categoryName) : engine(SystemFacts::Detect())
{
    category.categoryName = categoryName;
    result.name = categoryName;
}

void ScannerHarness::Run(scan::ScannerFn scanner, HKEY root, const std::wstring& name, const std::wstring& subKey,
                         int view)
{
    RegScanKeyEntry entry;
    entry.rootHandle = root;
    entry.rootName = name;
    entry.subKey = subKey;
    rootName = name;
    scanner(scan::ScanTarget{engine, result, category, entry, view});
}

std::vector<const RegEntryProb*> ScannerHarness::Of(const std::wstring& mark) const
{
    std::vector<const RegEntryProb*> out;
    for (const RegEntryProb* p : result.problems)
        if (p->scannedKeyPath.find(mark) != std::wstring::npos) out.push_back(p);
    return out;
}

void ScannerHarness::ExpectExactly(const std::wstring& mark, std::vector<Expected> expected) const
{
    std::vector<const RegEntryProb*> got = Of(mark);
    std::string all;
    for (const RegEntryProb* p : got) all += "\n  " + Describe(*p);
    ASSERT_EQ(got.size(), expected.size()) << testenv::WideToUtf8(mark) << all;
    auto key = [](const std::wstring& path, const std::wstring& name, int view) {
        return pure::ToUpper(path) + L"|" + name + L"|" + std::to_wstring(view);
    };
    std::sort(got.begin(), got.end(), [&](const RegEntryProb* a, const RegEntryProb* b) {
        return key(a->scannedKeyPath, a->valueName, a->viewFlag) < key(b->scannedKeyPath, b->valueName, b->viewFlag);
    });
    std::sort(expected.begin(), expected.end(), [&](const Expected& a, const Expected& b) {
        return key(a.scannedPath, a.valueName, a.view) < key(b.scannedPath, b.valueName, b.view);
    });
    for (size_t i = 0; i < expected.size(); ++i) {
        const Expected& e = expected[i];
        const RegEntryProb& p = *got[i];
        EXPECT_TRUE(pure::EqualsNoCase(p.scannedKeyPath, e.scannedPath))
            << Describe(p) << " expected " << testenv::WideToUtf8(e.scannedPath);
        EXPECT_EQ(p.valueName, e.valueName) << Describe(p);
        EXPECT_EQ(p.data, e.data) << Describe(p);
        EXPECT_EQ(p.message, scan::KindMessage(e.kind)) << Describe(p);
        EXPECT_EQ(p.grade, e.grade) << Describe(p);
        EXPECT_EQ(p.fixAction, e.action) << Describe(p);
        EXPECT_EQ(p.viewFlag, e.view) << Describe(p);
        EXPECT_EQ(p.rootName, rootName) << Describe(p);
    }
}

}  // namespace scantest
