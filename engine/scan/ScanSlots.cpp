// Scan, review and scan-settings slots.
#include "core/EngineState.h"
#include "core/Slots.h"
#include "core/WorkerStart.h"
#include "core/ComPtr.h"
#include "scan/IgnoreList.h"
#include "scan/ScanDriver.h"
#include "scan/ScanSettings.h"
#include "scan/ScanThreads.h"

namespace slots {

HANDLE CORVEX_CALL StartScan()
{
    return Guard<HANDLE>(nullptr, [] {
        CRegEngine& e = engine::New();
        e.stopFlag = 0;
        // A null handle tells the caller that no scan runs and none will report.
        e.scanThread.reset(worker::Start(scan::ScanThreadProc, &e));
        return e.scanThread.get();
    });
}

void CORVEX_CALL SetStopFlag(int value)
{
    if (CRegEngine* e = engine::Current()) e->stopFlag = value;
}

PtrArray<XMLElement>* CORVEX_CALL GetScanCategories()
{
    CRegEngine* e = engine::Current();
    return e ? &e->categories : nullptr;
}

PtrArray<RegScanCategory>* CORVEX_CALL GetScanResults()
{
    CRegEngine* e = engine::Current();
    return e ? &e->results : nullptr;
}

void CORVEX_CALL SetProblemChecked(int resultIndex, int problemIndex, int checked)
{
    CRegEngine* e = engine::Current();
    if (!e) return;
    CheckIndex(resultIndex, e->results.GetCount(), "SetProblemChecked: result index");
    RegScanCategory& result = *e->results[resultIndex];
    CheckIndex(problemIndex, result.problems.GetCount(), "SetProblemChecked: problem index");
    // Without the ignore list nothing is checked: an ignored problem would be.
    if (checked && !scan::ScanIgnoreListRead(*e)) return;
    // The checked counter moves only on a real change, so it always equals
    // the number of selected problems.
    scan::SetSelected(*e, *result.problems[problemIndex], checked != 0);
}

PtrArray<XMLElement>* CORVEX_CALL LoadScanSettings()
{
    return Guard<PtrArray<XMLElement>*>(nullptr, [] {
        CRegEngine& e = engine::New();
        ScopedCoInit com;
        scan::LoadCategories(e.categories);
        return &e.categories;
    });
}

void CORVEX_CALL SetCategoryEnabled(std::wstring elementName, const std::wstring* flag)
{
    GuardVoid([&] {
        ScopedCoInit com;
        scan::WriteCategoryFlag(elementName, flag ? *flag : std::wstring());
    });
}

int CORVEX_CALL GetIgnoreListState()
{
    CRegEngine* e = engine::Current();
    return e ? e->scanIgnoreListState.load() : kIgnoreListRead;
}

HANDLE CORVEX_CALL GetScanThread()
{
    CRegEngine* e = engine::Current();
    return e ? e->scanThread.get() : nullptr;
}

void CORVEX_CALL SetScanThreads(int count)
{
    scan::SetThreadOverride(count);
}

int CORVEX_CALL GetScanThreads()
{
    CRegEngine* e = engine::Current();
    return e ? e->scanThreads.load() : 0;
}

HANDLE CORVEX_CALL GetFixThread()
{
    CRegEngine* e = engine::Current();
    return e ? e->fixThread.get() : nullptr;
}

}  // namespace slots
