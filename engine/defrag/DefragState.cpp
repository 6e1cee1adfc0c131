#include "defrag/DefragState.h"

#include <atomic>

#include "core/Callbacks.h"
#include "core/Handles.h"
#include "core/WorkerStart.h"

namespace defrag {
namespace {

std::unique_ptr<DefragContext> g_context;
std::unique_ptr<PtrArray<HiveItem>> g_hives;
std::map<std::wstring, std::wstring> g_devices;
std::unique_ptr<Seams> g_seams;
std::atomic<int> g_workers{0};

void Ignore(const std::wstring&) {}
void MoveNotice(int i, uint64_t count, uint64_t from, uint64_t to, uint64_t vcn)
{
    ui::DefragDetail(i, count, from, to, vcn);
}
void DrawRange(const DefragContext& ctx, uint64_t first, uint64_t end, int colour)
{
    ui::DefragDrawRange(ctx.totalClusters, first, end, colour);
}
void ClearMap() { ui::DefragClearMap(); }

struct WorkerStart {
    DWORD(WINAPI* body)(void*);
    void* arg;
};

DWORD WINAPI WorkerMain(void* p)
{
    std::unique_ptr<WorkerStart> start(static_cast<WorkerStart*>(p));
    DWORD r = 0;
    try {
        r = start->body(start->arg);
    } catch (...) {
    }
    --g_workers;
    return r;
}

}  // namespace

DefragContext* Context() { return g_context.get(); }

DefragContext& CreateContext()
{
    g_context = std::make_unique<DefragContext>();
    g_context->hooks = {Ignore, MoveNotice, Ignore, Ignore, DrawRange, ClearMap};
    return *g_context;
}

PtrArray<HiveItem>* Hives() { return g_hives.get(); }

PtrArray<HiveItem>& CreateHives()
{
    g_hives = std::make_unique<PtrArray<HiveItem>>();
    return *g_hives;
}

std::map<std::wstring, std::wstring>& DeviceMap() { return g_devices; }

void Release()
{
    g_devices.clear();
    g_context.reset();  // closes the volume handle
    g_hives.reset();
}

const Seams& CurrentSeams()
{
    static const Seams production;
    return g_seams ? *g_seams : production;
}

void SetSeams(const Seams* seams)
{
    if (seams)
        g_seams = std::make_unique<Seams>(*seams);
    else
        g_seams.reset();
}

bool StartWorker(DWORD(WINAPI* body)(void*), void* arg)
{
    auto start = std::make_unique<WorkerStart>(WorkerStart{body, arg});
    ++g_workers;
    UniqueHandle thread(worker::Start(WorkerMain, start.get()));
    if (!thread) {
        --g_workers;
        return false;
    }
    start.release();
    return true;
}

bool WaitForWorkers(DWORD timeoutMs)
{
    for (DWORD waited = 0; g_workers.load() != 0; waited += 10) {
        if (waited >= timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

}  // namespace defrag
