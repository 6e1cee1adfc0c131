// The counters of the benchmark's counting build (see SysCalls.h); empty in
// every other build.
#ifdef TAMSEL_CALL_COUNTS

#include <atomic>
#include <cstdio>
#include <string>

#include "core/SysCalls.h"

namespace sys {
namespace {

constexpr const char* kNames[] = {"RegOpenKeyExW",  "RegQueryInfoKeyW", "RegEnumKeyExW",
                                  "RegEnumValueW",  "RegQueryValueExW", "FindFirstFileW",
                                  "FindNextFileW",  "GetFileAttributesW", "ShellLinkLoad"};
static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(Call::kCount));

class Counters {
public:
    ~Counters() { Write(); }
    void Add(Call call) { counts_[static_cast<size_t>(call)].fetch_add(1, std::memory_order_relaxed); }

private:
    void Write() const
    {
        wchar_t file[MAX_PATH] = {};
        DWORD n = GetEnvironmentVariableW(L"TAMSEL_CALL_COUNTS", file, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        std::string text;
        for (size_t i = 0; i < static_cast<size_t>(Call::kCount); ++i)
            text += std::string(kNames[i]) + "=" + std::to_string(counts_[i].load()) + "\r\n";
        HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
    }

    std::atomic<unsigned long long> counts_[static_cast<size_t>(Call::kCount)] = {};
};

Counters g_counters;

}  // namespace

void Count(Call call) { g_counters.Add(call); }

}  // namespace sys

#endif
