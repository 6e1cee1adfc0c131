// Shortcut files through the shell link object, for the benchmark's
// generator and floor walk. ole32 is loaded at run time (TamselBench links
// only advapi32 and psapi), and the one class ID the headers leave to the
// uuid library is spelled out here.
#pragma once

#include <windows.h>
// shobjidl.h needs the types of windows.h.
#include <objbase.h>
#include <shobjidl.h>

#include <string>

namespace bench {

// {00021401-0000-0000-C000-000000000046}
inline constexpr CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// One shell link object and its IPersistFile, made once per thread of use.
class ShellLinkObject {
public:
    ShellLinkObject()
    {
        ole_ = LoadLibraryW(L"ole32.dll");
        if (!ole_) return;
        auto init = reinterpret_cast<HRESULT(WINAPI*)(void*, DWORD)>(
            reinterpret_cast<void*>(GetProcAddress(ole_, "CoInitializeEx")));
        auto create = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(ole_, "CoCreateInstance")));
        uninit_ = reinterpret_cast<void(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(ole_, "CoUninitialize")));
        if (!init || !create || !uninit_) return;
        initialised_ = SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED));
        if (FAILED(create(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                          reinterpret_cast<void**>(&link_))))
            link_ = nullptr;
        if (link_ && FAILED(link_->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file_))))
            file_ = nullptr;
    }
    ~ShellLinkObject()
    {
        if (file_) file_->Release();
        if (link_) link_->Release();
        if (initialised_) uninit_();
        if (ole_) FreeLibrary(ole_);
    }
    ShellLinkObject(const ShellLinkObject&) = delete;
    ShellLinkObject& operator=(const ShellLinkObject&) = delete;

    bool Ready() const { return link_ && file_; }

    // Writes a shortcut at `linkPath` to `target`.
    bool Save(const std::wstring& linkPath, const std::wstring& target, const std::wstring& folder,
              const std::wstring& description)
    {
        return Ready() && SUCCEEDED(link_->SetPath(target.c_str())) &&
               SUCCEEDED(link_->SetWorkingDirectory(folder.c_str())) &&
               SUCCEEDED(link_->SetDescription(description.c_str())) && SUCCEEDED(file_->Save(linkPath.c_str(), TRUE));
    }

    // Loads `linkPath` and gives its target path.
    bool Target(const std::wstring& linkPath, std::wstring& target)
    {
        target.clear();
        if (!Ready() || FAILED(file_->Load(linkPath.c_str(), STGM_READ))) return false;
        wchar_t buffer[MAX_PATH + 1] = {};
        WIN32_FIND_DATAW found{};
        link_->GetPath(buffer, MAX_PATH, &found, SLGP_RAWPATH);
        target = buffer;
        return true;
    }

private:
    HMODULE ole_ = nullptr;
    void(WINAPI* uninit_)() = nullptr;
    bool initialised_ = false;
    IShellLinkW* link_ = nullptr;
    IPersistFile* file_ = nullptr;
};

}  // namespace bench
