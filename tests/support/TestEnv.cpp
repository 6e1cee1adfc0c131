#include "support/TestEnv.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "core/ReportBox.h"

namespace testenv {
namespace {
// No test may block on a dialog: a box that no ReportRecorder expects is
// printed and answered with OK.
int UnexpectedReport(const std::wstring& text, const std::wstring& caption, UINT)
{
    fwprintf(stderr, L"[engine message box] %ls: %ls\n", caption.c_str(), text.c_str());
    return IDOK;
}
const bool g_reportSinkInstalled = (report::SetSink(&UnexpectedReport), true);
}  // namespace

std::wstring Utf8ToWide(const std::string& s)
{
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string WideToUtf8(const std::wstring& s)
{
    if (s.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool RunsUnderWow64()
{
    BOOL wow64 = FALSE;
    return ::IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

NativeFileSystem::NativeFileSystem()
{
    if (testenv::RunsUnderWow64()) switched_ = Wow64DisableWow64FsRedirection(&previous_) != FALSE;
}

NativeFileSystem::~NativeFileSystem()
{
    if (switched_) Wow64RevertWow64FsRedirection(previous_);
}

std::wstring UniqueName(const std::wstring& tag)
{
    // Wine hands out the same process ids again in every run, so the clock
    // keeps names apart from what an earlier, aborted run left behind.
    static std::atomic<int> counter{0};
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return L"Tamsel_" + tag + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
           std::to_wstring(now.QuadPart % 1000000007LL) + L"_" + std::to_wstring(++counter);
}

static void DeleteFolder(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring full = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteFolder(full);
            else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

ScratchDir::ScratchDir(const std::wstring& tag)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    for (int attempt = 0;; ++attempt) {
        path_ = std::wstring(temp) + UniqueName(tag);
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt == 10)
            throw std::runtime_error("cannot create scratch folder");
    }
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    previous_ = cwd;
    SetCurrentDirectoryW(path_.c_str());
}

ScratchDir::~ScratchDir()
{
    SetCurrentDirectoryW(previous_.c_str());
    DeleteFolder(path_);
}

void ScratchDir::Write(const std::wstring& name, const std::string& utf8) const
{
    std::ofstream f(File(name).c_str(), std::ios::binary);
    f << utf8;
}

std::string ScratchDir::Read(const std::wstring& name) const
{
    std::ifstream f(File(name).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

ScratchKey::ScratchKey(HKEY root, const std::wstring& parent, const std::wstring& tag, REGSAM view)
    : root_(root), path_(parent + L"\\" + UniqueName(tag)), view_(view)
{
    CreateKey(L"");
}

ScratchKey::~ScratchKey()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_ALL_ACCESS | view_, &key) == ERROR_SUCCESS) {
        RegDeleteTreeW(key, nullptr);
        RegCloseKey(key);
    }
    using DeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
    auto deleteEx = reinterpret_cast<DeleteKeyExFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
    if (deleteEx)
        deleteEx(root_, path_.c_str(), view_, 0);
    else
        RegDeleteKeyW(root_, path_.c_str());
}

void ScratchKey::CreateKey(const std::wstring& sub) const
{
    std::wstring full = sub.empty() ? path_ : path_ + L"\\" + sub;
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, full.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        throw std::runtime_error("cannot create scratch key");
    RegCloseKey(key);
}

void ScratchKey::SetString(const std::wstring& sub, const std::wstring& name, const std::wstring& data,
                           DWORD type) const
{
    CreateKey(sub);
    std::wstring full = sub.empty() ? path_ : path_ + L"\\" + sub;
    HKEY key = nullptr;
    RegOpenKeyExW(root_, full.c_str(), 0, KEY_ALL_ACCESS | view_, &key);
    RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, type,
                   reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void ScratchKey::SetDword(const std::wstring& sub, const std::wstring& name, DWORD data) const
{
    CreateKey(sub);
    std::wstring full = sub.empty() ? path_ : path_ + L"\\" + sub;
    HKEY key = nullptr;
    RegOpenKeyExW(root_, full.c_str(), 0, KEY_ALL_ACCESS | view_, &key);
    RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
}

std::wstring BinDir()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    dir = dir.substr(0, dir.find_last_of(L'\\'));  // ...\testbin
    dir = dir.substr(0, dir.find_last_of(L'\\'));  // the build folder
    return dir + L"\\bin";
}

namespace {

bool IsRunLeftover(const std::wstring& name)
{
    for (const wchar_t* left : {L"regback", L"IgnoreList.dat", L"LastScan.ini", L"LastScan.json", L"Registry.ini"})
        if (_wcsicmp(name.c_str(), left) == 0) return true;
    return false;
}

bool CopyFolderFiles(const std::wstring& from, const std::wstring& to, bool descend)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L".." || IsRunLeftover(name)) continue;
        const std::wstring src = from + L"\\" + name, dst = to + L"\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!descend) continue;
            CreateDirectoryW(dst.c_str(), nullptr);
            ok = CopyFolderFiles(src, dst, false) && ok;
        } else {
            ok = CopyFileW(src.c_str(), dst.c_str(), FALSE) && ok;
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return ok;
}

}  // namespace

bool CopyDeliverables(const std::wstring& to) { return CopyFolderFiles(BinDir(), to, true); }

std::vector<std::wstring> RunLeftoversIn(const std::wstring& dir)
{
    std::vector<std::wstring> found;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        if (IsRunLeftover(fd.cFileName)) found.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return found;
}

std::wstring PrefixArch()
{
    const char* arch = std::getenv("TAMSEL_WINEARCH");
    return Utf8ToWide(arch && *arch ? arch : "win64");
}

}  // namespace testenv
