#include <gtest/gtest.h>

#include <memory>

#include "report/FromEngine.h"

// Every field of the engine's records reaches the report, so the program's
// LastScan.json and the console tool's --json say the same.
TEST(FromEngine, EveryFieldOfAResultAndItsProblems)
{
    auto problem = std::make_unique<RegEntryProb>();
    RegEntryProb& p = *problem;
    p.rootHandle = HKEY_CLASSES_ROOT;
    p.rootName = L"HKEY_CLASSES_ROOT";
    p.keyPath = L"Wow6432Node\\CLSID\\{1}";
    p.valueName = L"default value";
    p.data = L"C:\\gone.dll";
    p.message = L"The file or directroy does not exist!";
    p.is64View = 1;
    p.selected = 0;
    p.fixOk = 0;
    p.ignored = 1;
    p.grade = 2;
    p.fixAction = 1;
    p.scannedKeyPath = L"CLSID\\{1}";
    p.viewFlag = kView64;
    p.isDefaultValue = 1;
    p.realRootName = L"HKEY_LOCAL_MACHINE";
    p.realKeyPath = L"SOFTWARE\\Classes\\CLSID\\{1}";
    p.extent.kind = FixExtent::kKey;
    p.extent.values = 3;
    p.refusal = L"a container key";

    RegScanCategory category;
    category.name = L"COM/ActiveX Entries";
    category.problemCount = 5;
    category.ignoredCount = 4;
    category.fixedCount = 3;
    category.notFixedCount = 2;
    category.fixState = 1;
    category.problems.Add(std::move(problem));
    PtrArray<RegScanCategory> results;
    results.Add(std::make_unique<RegScanCategory>());

    report::ScanReport r;
    report::AddResults(nullptr, r);
    EXPECT_TRUE(r.results.empty());
    report::AddResults(&results, r);
    ASSERT_EQ(r.results.size(), 1u);

    const report::ResultInfo info = report::ResultFrom(category);
    EXPECT_EQ(info.name, category.name);
    EXPECT_EQ(info.problemCount, 5);
    EXPECT_EQ(info.ignoredCount, 4);
    EXPECT_EQ(info.fixedCount, 3);
    EXPECT_EQ(info.notFixedCount, 2);
    EXPECT_EQ(info.fixState, 1);
    ASSERT_EQ(info.problems.size(), 1u);
    const report::ProblemInfo& i = info.problems[0];
    EXPECT_EQ(i.rootName, p.rootName);
    EXPECT_EQ(i.keyPath, p.keyPath);
    EXPECT_EQ(i.valueName, p.valueName);
    EXPECT_EQ(i.data, p.data);
    EXPECT_EQ(i.message, p.message);
    EXPECT_EQ(i.is64View, 1);
    EXPECT_EQ(i.selected, 0);
    EXPECT_EQ(i.fixOk, 0);
    EXPECT_EQ(i.ignored, 1);
    EXPECT_EQ(i.grade, 2);
    EXPECT_EQ(i.fixAction, 1);
    EXPECT_EQ(i.scannedKeyPath, p.scannedKeyPath);
    EXPECT_EQ(i.viewFlag, kView64);
    EXPECT_EQ(i.isDefaultValue, 1);
    EXPECT_EQ(i.realRootName, p.realRootName);
    EXPECT_EQ(i.realKeyPath, p.realKeyPath);
    EXPECT_EQ(i.extent, p.extent);
    EXPECT_EQ(i.refusal, p.refusal);
}

TEST(FromEngine, CategoriesWithTheirKeyEntries)
{
    PtrArray<XMLElement> list;
    XMLElement* c = list.Add(std::make_unique<XMLElement>());
    c->elementName = L"AppPaths";
    c->categoryName = L"Application Paths";
    c->enabled = 0;
    c->scanState = 2;
    c->foundCount = 7;
    auto entry = std::make_unique<RegScanKeyEntry>();
    entry->rootName = L"HKEY_LOCAL_MACHINE";
    entry->subKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    c->keyEntries.Add(std::move(entry));

    report::ScanReport r;
    report::AddCategories(&list, r);
    ASSERT_EQ(r.categories.size(), 1u);
    const report::CategoryInfo& info = r.categories[0];
    EXPECT_EQ(info.elementName, L"AppPaths");
    EXPECT_EQ(info.name, L"Application Paths");
    EXPECT_EQ(info.enabled, 0);
    EXPECT_EQ(info.scanState, 2);
    EXPECT_EQ(info.foundCount, 7);
    ASSERT_EQ(info.keyEntries.size(), 1u);
    EXPECT_EQ(info.keyEntries[0].rootName, L"HKEY_LOCAL_MACHINE");
    EXPECT_EQ(info.keyEntries[0].subKey, c->keyEntries[0]->subKey);
}
