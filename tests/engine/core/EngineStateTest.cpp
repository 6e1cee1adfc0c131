#include <gtest/gtest.h>

#include "core/EngineState.h"
#include "core/Slots.h"
#include "support/TestEnv.h"

namespace {

class EngineStatePolicy : public ::testing::Test {
protected:
    void SetUp() override { engine::Destroy(); }
    void TearDown() override { engine::Destroy(); }
};

// A marker that only survives while the same state object lives.
void Mark(CRegEngine& e) { e.restoreName = L"marker"; }
bool Marked() { return engine::Current() && engine::Current()->restoreName == L"marker"; }

}  // namespace

TEST_F(EngineStatePolicy, NewReplacesEnsureKeepsDestroyEnds)
{
    EXPECT_EQ(engine::Current(), nullptr);
    Mark(engine::Ensure());
    engine::Ensure();
    EXPECT_TRUE(Marked());
    engine::New();
    EXPECT_FALSE(Marked());
    ASSERT_NE(engine::Current(), nullptr);
    EXPECT_EQ(engine::Current()->results.GetCount(), 0);
    EXPECT_EQ(engine::Current()->problemCount.load(), 0);
    engine::Destroy();
    EXPECT_EQ(engine::Current(), nullptr);
}

TEST_F(EngineStatePolicy, SlotsFollowTheirStateColumn)
{
    testenv::ScratchDir dir(L"policy");  // no data files: every operation finds nothing

    // ensure: creates when missing, keeps an existing state.
    ASSERT_NE(slots::GetIgnoreList(), nullptr);
    ASSERT_NE(engine::Current(), nullptr);
    Mark(*engine::Current());
    ASSERT_NE(slots::ListBackups(), nullptr);
    ASSERT_NE(slots::LoadStartupItems(), nullptr);
    slots::GetOperationResult();
    EXPECT_TRUE(Marked());

    // none: SetCategoryEnabled does not touch the state.
    std::wstring flag = L"true";
    slots::SetCategoryEnabled(L"Nothing", &flag);
    EXPECT_TRUE(Marked());

    // new: each of these replaces it.
    using Op = void (*)();
    const Op replacing[] = {
        [] { slots::LoadScanSettings(); },
        [] { slots::EnsureScheduleTask(); },
        [] { slots::DeleteScheduleTask(); },
        [] { slots::DeleteSchedule(0, 1); },
        [] { slots::LaunchSystemTool(99); },
    };
    for (Op op : replacing) {
        Mark(engine::Ensure());
        op();
        EXPECT_FALSE(Marked());
        EXPECT_NE(engine::Current(), nullptr);
    }

    // if any: does nothing without a state.
    engine::Destroy();
    StartupItem item;
    EXPECT_EQ(slots::AddDisabledStartupItem(&item), 0);
    EXPECT_EQ(engine::Current(), nullptr);

    // destroys.
    engine::Ensure();
    EXPECT_EQ(slots::ReleaseEngine(), 1);
    EXPECT_EQ(engine::Current(), nullptr);
    EXPECT_EQ(slots::ReleaseEngine(), 1);  // with no state only the defrag state is freed
}

TEST_F(EngineStatePolicy, IndexArgumentsOutsideTheirListsRaise)
{
    CRegEngine& e = engine::New();
    auto result = std::make_unique<RegScanCategory>();
    result->problems.Add(std::make_unique<RegEntryProb>());
    e.results.Add(std::move(result));
    e.checkedCount = 1;

    EXPECT_THROW(slots::SetProblemChecked(1, 0, 0), EngineInvalidArgument);
    EXPECT_THROW(slots::SetProblemChecked(-1, 0, 0), EngineInvalidArgument);
    EXPECT_THROW(slots::SetProblemChecked(0, 1, 0), EngineInvalidArgument);
    EXPECT_THROW(slots::IgnoreProblem(0, -1), EngineInvalidArgument);
    EXPECT_THROW(slots::OpenKeyInRegedit(2, 0), EngineInvalidArgument);
    EXPECT_THROW(slots::RemoveIgnoreItem(0, 0), EngineInvalidArgument);  // the ignore list is empty
    // Nothing changed before the raise.
    EXPECT_EQ(e.checkedCount.load(), 1);
    EXPECT_EQ(e.results[0]->problems[0]->selected, 1);

    slots::SetProblemChecked(0, 0, 0);
    EXPECT_EQ(e.checkedCount.load(), 0);
    EXPECT_EQ(e.results[0]->problems[0]->selected, 0);
    slots::SetProblemChecked(0, 0, 1);
    EXPECT_EQ(e.checkedCount.load(), 1);
    EXPECT_EQ(e.results[0]->problems[0]->selected, 1);
    // Repeating a state changes nothing.
    slots::SetProblemChecked(0, 0, 1);
    EXPECT_EQ(e.checkedCount.load(), 1);
    slots::SetProblemChecked(0, 0, 0);
    slots::SetProblemChecked(0, 0, 0);
    EXPECT_EQ(e.checkedCount.load(), 0);
}

TEST_F(EngineStatePolicy, CountersAndStopFlagWithoutAStateAreHarmless)
{
    EXPECT_EQ(slots::GetProblemCount(), 0);
    EXPECT_EQ(slots::GetCheckedCount(), 0);
    EXPECT_EQ(slots::GetFixedCount(), 0);
    EXPECT_EQ(slots::GetNotFixedCount(), 0);
    slots::SetStopFlag(1);
    EXPECT_EQ(slots::GetScanResults(), nullptr);
    EXPECT_EQ(slots::GetScanThread(), nullptr);
}
