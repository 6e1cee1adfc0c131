// TamselBench: the helper program of bench/run-scan-bench.sh.
//   TamselBench gen REGFILE FILESDIR [CLASSES] [BROKEN_PERCENT]
//   TamselBench walk
// Each prints one line of "name=value" pairs for the script.
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "FloorWalk.h"
#include "SyntheticCom.h"

namespace {

unsigned long long PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    return GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.PeakWorkingSetSize : 0;
}

int Generate(int argc, wchar_t** argv)
{
    if (argc < 4) return 2;
    bench::SyntheticSize size;
    if (argc > 4) size.classes = _wtoi(argv[4]);
    if (argc > 5) size.brokenPercent = _wtoi(argv[5]);
    bench::SyntheticCounts counts;
    if (!bench::WriteSyntheticCom(argv[2], argv[3], size, counts)) {
        std::fprintf(stderr, "TamselBench: cannot write the registry file\n");
        return 2;
    }
    std::printf("keys=%lld values=%lld broken=%lld\n", counts.keys, counts.values, counts.broken);
    return 0;
}

int Walk()
{
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    bench::FloorCounts c = bench::WalkComRoots();
    QueryPerformanceCounter(&t1);
    long long ms = (t1.QuadPart - t0.QuadPart) * 1000 / f.QuadPart;
    std::printf("ms=%lld keys=%lld values=%lld paths=%lld missing=%lld peak=%llu\n", ms, c.keys, c.values,
                c.paths, c.missing, PeakWorkingSet());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && std::wstring(argv[1]) == L"gen") return Generate(argc, argv);
    if (argc >= 2 && std::wstring(argv[1]) == L"walk") return Walk();
    std::fprintf(stderr, "usage: TamselBench gen REGFILE FILESDIR [CLASSES] [BROKEN_PERCENT] | walk\n");
    return 2;
}
