// Runs a TamselCli.exe as a child process with its output on pipes.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/JsonCheck.h"
#include "support/TestEnv.h"

namespace clirun {

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    DWORD pid = 0;
    std::string out;
    std::string err;
};

// One argument as CommandLineToArgvW reads it back: quotes escaped, and
// backslashes doubled where they precede a quote.
inline std::wstring Quote(const std::wstring& a)
{
    std::wstring q = L"\"";
    size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, L'\\');
    return q + L"\"";
}

// Appends what the pipe holds now, without waiting for more. The end of the
// output is the child's exit, not the pipe's end: a process the child
// started may keep the write ends open (Wine's "explorer.exe /desktop",
// started by the first window of a process, inherits its standard handles
// and outlives it).
inline void ReadAvailable(HANDLE pipe, std::string& into)
{
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) return;
        char buf[4096];
        DWORD n = 0;
        if (!ReadFile(pipe, buf, available < sizeof buf ? available : sizeof buf, &n, nullptr) || n == 0) return;
        into.append(buf, n);
    }
}

// Runs exe with args in the current folder; ends it and fails the test after
// a minute (an engine message box would otherwise hang the run).
inline Outcome RunExe(const std::wstring& exe, const std::vector<std::wstring>& args)
{
    Outcome run;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    EXPECT_TRUE(CreatePipe(&outRead, &outWrite, &sa, 0));
    EXPECT_TRUE(CreatePipe(&errRead, &errWrite, &sa, 0));
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    std::wstring line = Quote(exe);
    for (const std::wstring& a : args) line += L" " + Quote(a);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    // The child's input is NUL: the test's own may be closed or not
    // inheritable (CI runs without standard input), and CreateProcess then fails.
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    si.hStdInput = nul;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    // No console of its own: under Wine a console host made for the child
    // (CREATE_NO_WINDOW) can outlive it, above all a killed one, and keeps
    // the test runner's output pipe open, so the runner waits for ever.
    BOOL started = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                                  nullptr, &si, &pi);
    DWORD startError = GetLastError();
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    EXPECT_TRUE(started) << startError;
    if (started) {
        const ULONGLONG deadline = GetTickCount64() + 60000;
        for (bool ended = false;;) {
            ReadAvailable(outRead, run.out);
            ReadAvailable(errRead, run.err);
            if (ended) break;  // what the child wrote before it ended has been read
            if (WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0) {
                ended = true;
            } else if (GetTickCount64() > deadline) {
                TerminateProcess(pi.hProcess, 99);
                WaitForSingleObject(pi.hProcess, 5000);
                ADD_FAILURE() << "TamselCli did not end; out: " << run.out << " err: " << run.err;
                ended = true;
            }
        }
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        run.pid = pi.dwProcessId;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

inline std::wstring CliExe()
{
    return testenv::BinDir() + L"\\TamselCli.exe";
}

inline Outcome RunCli(const std::vector<std::wstring>& args)
{
    return RunExe(CliExe(), args);
}

inline bool IsOneErrorLine(const std::string& err)
{
    return err.rfind("TamselCli: ", 0) == 0 && err.find('\n') == err.size() - 1;
}

// The facts block of a JSON document from the TamselCli beside this test,
// which is built for the same processor as the test itself.
inline void ExpectFactsOfThisSystem(const jsoncheck::Value& doc)
{
    EXPECT_EQ(doc["tool"]["name"].text, L"TamselCli");
    const std::wstring& version = doc["tool"]["version"].text;
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(version.find_first_not_of(L"0123456789."), std::wstring::npos) << testenv::WideToUtf8(version);
    const bool x64 = sizeof(void*) == 8;
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const bool windows64 = x64 || wow64;
    EXPECT_EQ(doc["build"].text, x64 ? L"x64" : L"x86");
    EXPECT_EQ(doc["windows"]["is64Bit"].boolean, windows64);
    using WineVersionFn = const char*(CDECL*)();
    auto wineVersion = reinterpret_cast<WineVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    if (wineVersion) {
        EXPECT_EQ(testenv::WideToUtf8(doc["wine"].text), wineVersion());
    } else {
        EXPECT_EQ(doc["wine"].kind, jsoncheck::Value::Null);
    }
    ASSERT_EQ(doc["views"].items.size(), windows64 ? 2u : 1u);
    EXPECT_EQ(doc["views"][0].text, windows64 ? L"64-bit" : L"32-bit");
}

// A failed command with --json: exit 2, its one stderr line, and on stdout
// one document with the facts, exitCode 2 and that line as its error.
inline jsoncheck::Value ExpectErrorDocument(const Outcome& run, const wchar_t* command)
{
    EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
    jsoncheck::Value doc;
    try {
        doc = jsoncheck::Parse(run.out);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what() << "\n" << run.out;
        return doc;
    }
    ExpectFactsOfThisSystem(doc);
    if (command) {
        EXPECT_EQ(doc["command"].text, command);
    } else {
        EXPECT_EQ(doc["command"].kind, jsoncheck::Value::Null);
    }
    EXPECT_EQ(doc["exitCode"].number, 2);
    // The command's own line is the last on stderr; an engine report may come first.
    const size_t last = run.err.rfind("TamselCli: ");
    EXPECT_NE(last, std::string::npos) << run.err;
    if (last != std::string::npos && doc.Has("error")) {
        EXPECT_EQ(testenv::WideToUtf8(doc["error"].text) + "\n", run.err.substr(last + 11));
    }
    EXPECT_TRUE(doc.Has("error")) << run.out;
    return doc;
}

}  // namespace clirun
