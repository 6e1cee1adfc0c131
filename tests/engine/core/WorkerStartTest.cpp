// An operation whose worker thread cannot be started still ends: a backup
// or restore stores result 0 and raises its completion callback, a defrag
// worker ends as a failed one, and a scan or fix slot returns no handle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/EngineState.h"
#include "core/WorkerStart.h"
#include "corvex/EngineTables.h"
#include "support/CallbackRecorder.h"
#include "support/TestEnv.h"

namespace {

HANDLE NoThread(LPTHREAD_START_ROUTINE, void*)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

DWORD WINAPI ReturnSeven(void*)
{
    return 7;
}

class WorkerStartFails : public ::testing::Test {
protected:
    void SetUp() override
    {
        toEngineInitGetUIInterface(callbacks::Table(), &table_);
        ASSERT_NE(table_, nullptr);
        callbacks::Reset();
        previous_ = worker::SetCreator(&NoThread);
    }
    void TearDown() override
    {
        worker::SetCreator(previous_);
        table_->ReleaseEngine();
    }
    EngineFunctionTable* table_ = nullptr;
    worker::Creator previous_ = nullptr;
    testenv::ScratchDir dir_{L"nothread"};
};

}  // namespace

TEST_F(WorkerStartFails, EveryOperationStillEnds)
{
    engine::Ensure().operationResult = 1;  // a stale success must not survive
    EXPECT_EQ(table_->StartFullBackup(), 0);
    EXPECT_EQ(table_->GetOperationResult(), 0);
    PtrArray<RegScanCategory> none;
    table_->StartPartialBackup(&none);
    engine::Ensure().operationResult = 1;
    const std::wstring name = L"20261209120000-f.regbak";
    table_->StartRestore(&name);
    EXPECT_EQ(table_->GetOperationResult(), 0);
    int running = 0, redraw = 0;
    table_->StartDefragAnalysis(&running, &redraw);
    EXPECT_EQ(running, 2);
    table_->StartDefrag();
    EXPECT_EQ(table_->StartScan(), nullptr);
    EXPECT_EQ(table_->StartFix(), nullptr);

    const std::vector<std::wstring> expected = {
        L"BackupFinished 0",
        L"BackupFinished 1",
        L"RestoreFinished " + name,
        L"DefragStatusText The worker thread could not be started.",
        L"DefragFinished 1 1",
        L"DefragStatusText The worker thread could not be started.",
        L"DefragFinished 3 1",
    };
    std::vector<std::wstring> lines = callbacks::Take().lines;
    EXPECT_EQ(lines, expected) << testenv::WideToUtf8(lines.empty() ? L"" : lines.back());

    // The real creator is back: threads start again.
    worker::SetCreator(previous_);
    HANDLE thread = worker::Start(&ReturnSeven, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 7u);
    CloseHandle(thread);
}
