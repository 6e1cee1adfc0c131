#include <gtest/gtest.h>

#include "core/RegEngine.h"
#include "support/TestEnv.h"

// The prefix kind is set by the test runner: a 64-bit Wine prefix is 64-bit
// Windows, a WINEARCH=win32 prefix is 32-bit Windows.
TEST(SystemFacts, MatchTheRunningSystem)
{
    SystemFacts facts = SystemFacts::Detect();
    const bool win64 = testenv::PrefixArch() == L"win64";
    const bool build64 = sizeof(void*) == 8;
    EXPECT_EQ(facts.is64BitWindows, win64);
    EXPECT_EQ(facts.isWow64Process, win64 && !build64);

    CRegEngine engine;
    EXPECT_EQ(engine.PrimaryView(), win64 ? kView64 : kView32);
}

TEST(SystemFacts, RedirectionSwitchesAreLookedUpNotRequired)
{
    SystemFacts facts = SystemFacts::Detect();
    // Present on every system that has WOW64; their absence elsewhere is fine.
    if (facts.isWow64Process) {
        EXPECT_NE(facts.disableRedirection, nullptr);
        EXPECT_NE(facts.revertRedirection, nullptr);
    }
    SystemFacts posed;
    posed.is64BitWindows = true;
    CRegEngine engine(posed);
    EXPECT_TRUE(engine.Is64BitWindows());
    EXPECT_EQ(engine.PrimaryView(), kView64);
}
