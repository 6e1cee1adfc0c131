#include "core/WorkerStart.h"

#include <atomic>

namespace worker {
namespace {

HANDLE CreateReal(LPTHREAD_START_ROUTINE proc, void* arg)
{
    return CreateThread(nullptr, 0, proc, arg, 0, nullptr);
}

std::atomic<Creator> g_creator{&CreateReal};

}  // namespace

HANDLE Start(LPTHREAD_START_ROUTINE proc, void* arg)
{
    return g_creator.load()(proc, arg);
}

Creator SetCreator(Creator creator)
{
    return g_creator.exchange(creator ? creator : &CreateReal);
}

}  // namespace worker
