#include "scan/ScanPool.h"

#include <mutex>

#include "core/Callbacks.h"
#include "core/WorkerStart.h"
#include "scan/ScanCache.h"
#include "scan/ScanDriver.h"

namespace scan {
namespace {

class ScanRun {
public:
    ScanRun(CRegEngine& engine, ScanPlan& plan) : engine_(engine), plan_(plan), schedule_(plan.Layout()) {}

    // One thread's share: pieces until none is left.
    void Work()
    {
        try {
            TakeAndRun();
        } catch (...) {
            Fail();
        }
    }

    // After every thread has ended: whatever a failure left open is closed.
    void Finish()
    {
        std::lock_guard<std::mutex> lock(engine_.scanLock);
        schedule_.Abandon();
        CloseReady();
    }

private:
    void TakeAndRun()
    {
        std::unique_lock<std::mutex> lock(engine_.scanLock);
        for (;;) {
            if (engine_.StopRequested() && !schedule_.Stopped())
                for (size_t n = schedule_.Stop().size(); n > 0; --n) ui::ScanItem(kEndOfEntryMarker, 0);
            CloseReady();
            const auto handout = schedule_.Next();
            if (!handout) return;
            if (handout->opens) Open(handout->category);
            if (handout->piece < 0) continue;

            const CategoryWork& work = plan_.categories[static_cast<size_t>(handout->category)];
            ScanPiece& piece = plan_.Piece(schedule_, handout->piece);
            lock.unlock();
            try {
                RunPiece(engine_, work, piece);
            } catch (...) {
                Fail();
            }
            lock.lock();
            if (schedule_.EndPiece(handout->piece)) ui::ScanItem(kEndOfEntryMarker, 0);
        }
    }

    void Open(int category)
    {
        const int index = plan_.categories[static_cast<size_t>(category)].index;
        engine_.categories[index]->scanState = 1;
        ui::ScanCategory(index);
    }

    // The categories whose turn it is to close, in order.
    void CloseReady()
    {
        while (const auto category = schedule_.NextToClose()) {
            CategoryWork& work = plan_.categories[static_cast<size_t>(*category)];
            MergeCategory(engine_, work);
            engine_.categories[work.index]->scanState = 2;
            ui::ScanCategory(work.index);
        }
    }

    // A failed piece or thread ends the scan as a stop does: what was found
    // is kept, nothing more is begun, and the scan reports itself stopped.
    void Fail() { engine_.stopFlag = 1; }

    CRegEngine& engine_;
    ScanPlan& plan_;
    pure::ScanSchedule schedule_;
};

DWORD WINAPI PoolThreadProc(LPVOID run)
{
    // This thread's own existence answers, for as long as it scans.
    ScanCacheScope caches;
    static_cast<ScanRun*>(run)->Work();
    return 0;
}

}  // namespace

void RunPlan(CRegEngine& engine, ScanPlan& plan, int threads)
{
    ScanRun run(engine, plan);
    // Fixed arrays: nothing may fail between starting a thread and keeping
    // its handle.
    UniqueHandle owned[pure::kMaxScanThreads];
    HANDLE handles[pure::kMaxScanThreads] = {};
    DWORD count = 0;
    for (int i = 1; i < threads && i < pure::kMaxScanThreads; ++i) {
        HANDLE thread = worker::Start(PoolThreadProc, &run);
        if (!thread) break;
        owned[count].reset(thread);
        handles[count++] = thread;
    }
    engine.scanThreads = 1 + static_cast<int>(count);
    run.Work();
    // No thread outlives the scan: they all still use `run`.
    if (count > 0) WaitForMultipleObjects(count, handles, TRUE, INFINITE);
    run.Finish();
}

}  // namespace scan
