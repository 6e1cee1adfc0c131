#include "scan/ScanThreads.h"

#include <windows.h>

#include <atomic>

#include "pure/ScanSplit.h"

namespace scan {
namespace {
std::atomic<int> g_override{0};
}  // namespace

void SetThreadOverride(int count)
{
    g_override = count > 0 ? count : 0;
}

int ProcessorCount()
{
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0) {
        int n = 0;
        for (; process; process &= process - 1) ++n;
        return n;
    }
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return static_cast<int>(info.dwNumberOfProcessors);
}

int ThreadsForScan(int pieces)
{
    int setting = g_override.load();
    if (setting == 0) setting = static_cast<int>(GetPrivateProfileIntW(L"Scan", L"Threads", 0, L".\\Registry.ini"));
    return pure::ScanThreadCount(setting, ProcessorCount(), pieces);
}

}  // namespace scan
