// Keys shared by both registry views, and the driver's removal of the 32-bit
// pass's repeats of problems in them.
#include <gtest/gtest.h>

#include <string>

#include "pure/TextRules.h"
#include "scan/ProblemRecord.h"
#include "scan/SharedViews.h"
#include "support/TestEnv.h"

using namespace scan;

namespace {

struct KeyCase {
    const char* name;
    HKEY root;
    std::wstring path;
    bool shared;
};

ProblemSite Site(HKEY root, const std::wstring& path, const std::wstring& value)
{
    ProblemSite site;
    site.root = root;
    site.rootName = CRegEngine::RootName(root);
    site.keyPath = path;
    site.valueName = value;
    return site;
}

}  // namespace

TEST(SharedViews, KeysOfBothViewsAreComparedByTheirSystemNames)
{
    if (testenv::PrefixArch() != L"win64") GTEST_SKIP() << "needs 64-bit Windows";
    testenv::ScratchKey user(HKEY_CURRENT_USER, L"Software", L"shared");
    testenv::ScratchKey machine(HKEY_LOCAL_MACHINE, L"Software", L"split", KEY_WOW64_64KEY);
    testenv::ScratchKey machine32(HKEY_LOCAL_MACHINE, L"Software", L"split32", KEY_WOW64_32KEY);
    testenv::ScratchKey twin(HKEY_LOCAL_MACHINE, L"Software", L"twin", KEY_WOW64_64KEY);
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, twin.path().c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    const KeyCase cases[] = {
        {"UserSoftware", HKEY_CURRENT_USER, user.path(), true},
        {"MachineSoftwareTwins", HKEY_LOCAL_MACHINE, twin.path(), false},
        {"OnlyIn64", HKEY_LOCAL_MACHINE, machine.path(), false},
        {"OnlyIn32", HKEY_LOCAL_MACHINE, machine32.path(), false},
        {"ClassIds", HKEY_CLASSES_ROOT, L"CLSID", false},
        {"TypeLibraries", HKEY_CLASSES_ROOT, L"TypeLib", true},
        {"Missing", HKEY_CURRENT_USER, user.path() + L"\\none", false},
    };
    for (const KeyCase& c : cases) EXPECT_EQ(IsSameKeyInBothViews(c.root, c.path), c.shared) << c.name;
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, twin.path().c_str(), KEY_WOW64_32KEY, 0);
}

TEST(SharedViews, RepeatsInASharedKeyAreDroppedWithTheirCounts)
{
    if (testenv::PrefixArch() != L"win64") GTEST_SKIP() << "needs 64-bit Windows";
    testenv::ScratchKey user(HKEY_CURRENT_USER, L"Software", L"repeat");
    testenv::ScratchKey twin(HKEY_LOCAL_MACHINE, L"Software", L"repeattwin", KEY_WOW64_64KEY);
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, twin.path().c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    CRegEngine engine(SystemFacts::Detect());
    RegScanCategory result;
    XMLElement category;
    auto record = [&](HKEY root, const std::wstring& path, const std::wstring& value, int view) {
        RecordProblem(engine, &result, Site(root, path, value), kFileMissing, category, view, kFair,
                      kDeleteValue);
    };
    record(HKEY_CURRENT_USER, user.path(), L"a", kView64);
    record(HKEY_CURRENT_USER, user.path(), L"b", kView64);
    record(HKEY_LOCAL_MACHINE, twin.path(), L"c", kView64);
    const int first32 = result.problems.GetCount();
    record(HKEY_CURRENT_USER, user.path(), L"a", kView32);  // the same key: dropped
    result.problems[first32]->selected = 0;                 // unchecked: the checked count stays
    engine.checkedCount -= 1;
    record(HKEY_CURRENT_USER, pure::ToUpper(user.path()), L"b",
           kView32);                                         // path case differs: still the same
    record(HKEY_LOCAL_MACHINE, twin.path(), L"c", kView32);  // another key of the same path: kept
    record(HKEY_CURRENT_USER, user.path(), L"d", kView32);   // found only now: kept

    DropSharedViewRepeats(engine, result, category, 0, first32);
    ASSERT_EQ(result.problems.GetCount(), 5);
    EXPECT_EQ(result.problems[3]->valueName, L"c");
    EXPECT_EQ(result.problems[3]->viewFlag, kView32);
    EXPECT_EQ(result.problems[4]->valueName, L"d");
    EXPECT_EQ(result.problemCount, 5);
    EXPECT_EQ(category.foundCount, 5);
    EXPECT_EQ(engine.problemCount.load(), 5);
    EXPECT_EQ(engine.checkedCount.load(), 5);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, twin.path().c_str(), KEY_WOW64_32KEY, 0);
}
