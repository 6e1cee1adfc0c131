#include <gtest/gtest.h>

#include <memory>

#include "report/FromEngine.h"

// The program's LastScan.json and the console tool's --json are made from
// one copy of the engine's records: the fields added after the first ones
// (where a fix acts, what it removes, why it refuses, what was not checked)
// come across too.
TEST(FromEngine, AResultWithItsProblemsAndWhatWasNotChecked)
{
    RegScanCategory category;
    category.name = L"COM/ActiveX Entries";
    category.problemCount = 5;
    category.notFixedCount = 2;
    RegEntryProb* p = category.problems.Add(std::make_unique<RegEntryProb>());
    p->fixOk = 0;
    p->viewFlag = kView64;
    p->realRootName = L"HKEY_LOCAL_MACHINE";
    p->realKeyPath = L"SOFTWARE\\Classes\\CLSID\\{1}";
    p->extent.kind = FixExtent::kKey;
    p->extent.values = 3;
    p->refusal = L"a container key";
    NotCheckedPath* n = category.notChecked.Add(std::make_unique<NotCheckedPath>());
    n->path = L"K:\\Tools\\app.exe";
    n->reason = NotCheckedPath::kDriveNotReady;
    n->error = ERROR_NOT_READY;

    const report::ResultInfo info = report::ResultFrom(category);
    EXPECT_EQ(info.name, category.name);
    EXPECT_EQ(info.problemCount, 5);
    EXPECT_EQ(info.notFixedCount, 2);
    ASSERT_EQ(info.problems.size(), 1u);
    EXPECT_EQ(info.problems[0].fixOk, 0);
    EXPECT_EQ(info.problems[0].viewFlag, kView64);
    EXPECT_EQ(info.problems[0].realRootName, p->realRootName);
    EXPECT_EQ(info.problems[0].realKeyPath, p->realKeyPath);
    EXPECT_EQ(info.problems[0].extent, p->extent);
    EXPECT_EQ(info.problems[0].refusal, p->refusal);
    ASSERT_EQ(info.notChecked.size(), 1u);
    EXPECT_EQ(info.notChecked[0].path, n->path);
    EXPECT_EQ(info.notChecked[0].reason, NotCheckedPath::kDriveNotReady);
    EXPECT_EQ(info.notChecked[0].error, static_cast<uint32_t>(ERROR_NOT_READY));
}
