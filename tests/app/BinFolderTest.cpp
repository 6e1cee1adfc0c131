// Run after the window tests (a ctest of its own): they never write into
// the runnable program folder, which the README's run command starts.
#include <gtest/gtest.h>

#include "support/TestEnv.h"

TEST(BinFolder, HoldsNoFileAProgramRunLeaves)
{
    const std::vector<std::wstring> left = testenv::RunLeftoversIn(testenv::BinDir());
    std::wstring names;
    for (const std::wstring& n : left) names += L" " + n;
    EXPECT_TRUE(left.empty()) << "left in " << testenv::WideToUtf8(testenv::BinDir()) << ":"
                              << testenv::WideToUtf8(names);
}
