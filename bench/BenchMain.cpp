// TamselBench: the helper program of bench/run-scan-bench.sh.
//   TamselBench gen REGFILE FILESDIR [CLASSES] [BROKEN_PERCENT] [--full] [--problems N]
//   TamselBench walk [--full]
// Each prints one line of "name=value" pairs for the script; walk --full
// then one line per category ("part=NAME ms=... keys=...").
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
    int positional = 0;
    for (int i = 4; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--full") {
            size.full = true;
        } else if (arg == L"--problems" && i + 1 < argc) {
            size.problems = _wtoi(argv[++i]);
        } else if (positional == 0) {
            size.classes = _wtoi(argv[i]);
            ++positional;
        } else if (positional == 1) {
            size.brokenPercent = _wtoi(argv[i]);
            ++positional;
        } else {
            return 2;
        }
    }
    bench::SyntheticCounts counts;
    if (!bench::WriteSyntheticCom(argv[2], argv[3], size, counts)) {
        std::fprintf(stderr, "TamselBench: cannot write the registry file or the files it names\n");
        return 2;
    }
    std::printf("keys=%lld values=%lld broken=%lld shortcuts=%lld\n", counts.keys, counts.values, counts.broken,
                counts.shortcuts);
    return 0;
}

long long Ms(const LARGE_INTEGER& t0, const LARGE_INTEGER& t1)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (t1.QuadPart - t0.QuadPart) * 1000 / f.QuadPart;
}

int Walk(bool full)
{
    LARGE_INTEGER t0, t1;
    bench::FloorPart parts[12] = {};
    QueryPerformanceCounter(&t0);
    bench::FloorCounts c = full ? bench::WalkFullScan(parts) : bench::WalkComRoots();
    QueryPerformanceCounter(&t1);
    std::printf("ms=%lld ", Ms(t0, t1));
    c.Print(stdout);
    std::printf(" peak=%llu\n", PeakWorkingSet());
    if (full) {
        for (const bench::FloorPart& p : parts) {
            std::printf("part=%s ms=%lld ", p.name ? p.name : "-", p.ms);
            p.counts.Print(stdout);
            std::printf("\n");
        }
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && std::wstring(argv[1]) == L"gen") return Generate(argc, argv);
    if (argc >= 2 && std::wstring(argv[1]) == L"walk")
        return Walk(argc >= 3 && std::wstring(argv[2]) == L"--full");
    std::fprintf(stderr,
                 "usage: TamselBench gen REGFILE FILESDIR [CLASSES] [BROKEN_PERCENT] [--full] [--problems N]\n"
                 "       TamselBench walk [--full]\n");
    return 2;
}
