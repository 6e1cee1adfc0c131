#include "WorkFolder.h"

#include <windows.h>

#include "Console.h"

namespace cli {
namespace {

std::wstring CurrentFolder()
{
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring dir(n, L'\0');
    n = GetCurrentDirectoryW(n, dir.data());
    dir.resize(n);
    return dir;
}

// Only plain files are made here; the engine makes no sub folders in it.
void RemoveFolder(const std::wstring& dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            std::wstring file = dir + L"\\" + fd.cFileName;
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

}  // namespace

std::wstring FullPath(const std::wstring& file)
{
    DWORD n = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
    if (n == 0) return file;
    std::wstring full(n, L'\0');
    n = GetFullPathNameW(file.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return full;
}

bool FileExists(const std::wstring& path)
{
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

WorkFolder::WorkFolder(const std::wstring& settingsFile, const std::wstring& ignoreList)
{
    if (!FileExists(settingsFile)) throw CliError{L"settings file not found: " + settingsFile};
    wchar_t temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) throw CliError{L"no folder for temporary files"};
    std::wstring base = std::wstring(temp) + L"TamselCli-" + std::to_wstring(GetCurrentProcessId());
    for (int attempt = 0;; ++attempt) {
        std::wstring candidate = base + L"-" + std::to_wstring(GetTickCount() + attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100)
            throw CliError{L"cannot create a temporary folder under " + std::wstring(temp)};
    }
    if (!CopyFileW(settingsFile.c_str(), (path_ + L"\\scanSetting.xml").c_str(), FALSE)) {
        DWORD error = GetLastError();
        RemoveFolder(path_);
        throw CliError{L"cannot copy the settings file " + settingsFile + L" (error " +
                       std::to_wstring(error) + L")"};
    }
    // The copy must be writable whatever the source's attributes.
    SetFileAttributesW((path_ + L"\\scanSetting.xml").c_str(), FILE_ATTRIBUTE_NORMAL);
    // Without its copy of the ignore list the scan would list, and a fix
    // would delete, what the user chose to ignore: only a list that is not
    // there may be left out.
    if (GetFileAttributesW(ignoreList.c_str()) != INVALID_FILE_ATTRIBUTES ||
        (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)) {
        if (!CopyFileW(ignoreList.c_str(), (path_ + L"\\IgnoreList.dat").c_str(), FALSE)) {
            DWORD error = GetLastError();
            RemoveFolder(path_);
            throw CliError{L"cannot read the ignore list " + ignoreList + L" (error " + std::to_wstring(error) +
                           L"); nothing was scanned or changed"};
        }
    }
    previous_ = CurrentFolder();
    if (!SetCurrentDirectoryW(path_.c_str())) {
        RemoveFolder(path_);
        throw CliError{L"cannot enter the temporary folder " + path_};
    }
    entered_ = true;
}

void WorkFolder::Leave()
{
    if (!entered_) return;
    if (!SetCurrentDirectoryW(previous_.c_str()))
        throw CliError{L"cannot return to the folder " + previous_ + L" (error " + std::to_wstring(GetLastError()) +
                       L")"};
    entered_ = false;
}

WorkFolder::~WorkFolder()
{
    if (entered_) SetCurrentDirectoryW(previous_.c_str());
    RemoveFolder(path_);
}

}  // namespace cli
