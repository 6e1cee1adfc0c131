// Scratch folders and registry keys inside the throwaway test prefix.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testenv {

// A fresh folder under %TEMP% that becomes the current directory while the
// object lives (the engine opens its data files by relative names).
class ScratchDir {
public:
    explicit ScratchDir(const std::wstring& tag);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
    void Write(const std::wstring& name, const std::string& utf8) const;
    std::string Read(const std::wstring& name) const;

private:
    std::wstring path_;
    std::wstring previous_;
};

// A unique key below root (in the given view) deleted with its subtree at
// the end. path() is relative to root.
class ScratchKey {
public:
    ScratchKey(HKEY root, const std::wstring& parent, const std::wstring& tag, REGSAM view = 0);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::wstring& path() const { return path_; }
    // Creates root\path()\sub and sets a string value there (name empty for the default).
    void SetString(const std::wstring& sub, const std::wstring& name, const std::wstring& data,
                   DWORD type = REG_SZ) const;
    void SetDword(const std::wstring& sub, const std::wstring& name, DWORD data) const;
    void CreateKey(const std::wstring& sub) const;

private:
    HKEY root_;
    std::wstring path_;
    REGSAM view_;
};

std::wstring Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::wstring& s);

// The folder of the build's deliverables (Corvex.dll, data files): the test
// programs live in <build>\testbin, the deliverables in <build>\bin.
std::wstring BinDir();

// Copies the deliverables of BinDir() into `to`: the files and the folders
// one level down (images), without what a run leaves behind (the backup
// store, the ignore list, the last-scan summary). False when a copy failed.
bool CopyDeliverables(const std::wstring& to);

// What a run of the program or the engine leaves in `dir` (the backup
// store, the ignore list, the settings and the last-scan summary), by name.
std::vector<std::wstring> RunLeftoversIn(const std::wstring& dir);

// "win64" or "win32": the kind of prefix the test runs in (set by ctest).
std::wstring PrefixArch();

// Switches file-system redirection off while it lives when this is a 32-bit
// process on 64-bit Windows, so fixtures reach the real native System32;
// does nothing elsewhere.
class NativeFileSystem {
public:
    NativeFileSystem();
    ~NativeFileSystem();
    NativeFileSystem(const NativeFileSystem&) = delete;
    NativeFileSystem& operator=(const NativeFileSystem&) = delete;

private:
    PVOID previous_ = nullptr;
    bool switched_ = false;
};

// True in a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();

// A name unique to this process and call.
std::wstring UniqueName(const std::wstring& tag);

}  // namespace testenv
