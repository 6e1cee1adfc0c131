// wait_window.exe PROGRAM CLASS SECONDS: starts PROGRAM (in its own folder),
// waits until it shows a visible top-level window of window class CLASS,
// prints that window's size, ends the program and exits 0; exits 1 when no
// such window came in time. Used by the package checks on an installed copy.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK Visit(HWND h, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    wchar_t cls[64] = L"";
    GetClassNameW(h, cls, 64);
    if (owner == s->pid && IsWindowVisible(h) && lstrcmpW(cls, s->cls) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fwprintf(stderr, L"usage: wait_window PROGRAM CLASS SECONDS\n");
        return 2;
    }
    std::wstring program = argv[1];
    std::wstring folder = program.substr(0, program.find_last_of(L"\\/"));
    std::wstring line = L"\"" + program + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
        std::fwprintf(stderr, L"wait_window: cannot start %ls (error %lu)\n", program.c_str(), GetLastError());
        return 1;
    }
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(_wtoi(argv[3])) * 1000;
    Search s{pi.dwProcessId, argv[2], nullptr};
    while (!s.found && GetTickCount64() < deadline &&
           WaitForSingleObject(pi.hProcess, 200) == WAIT_TIMEOUT)
        EnumWindows(&Visit, reinterpret_cast<LPARAM>(&s));
    int code = 1;
    if (s.found) {
        RECT r{};
        GetWindowRect(s.found, &r);
        std::wprintf(L"window %ldx%ld\n", r.right - r.left, r.bottom - r.top);
        code = 0;
    } else {
        std::fwprintf(stderr, L"wait_window: no visible %ls window of %ls\n", argv[2], program.c_str());
    }
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}
