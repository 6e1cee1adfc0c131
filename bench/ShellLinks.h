// Shortcut files through the shell link object, for the benchmark's
// generator and floor walk.
#pragma once

#include <windows.h>
// shobjidl.h needs the types of windows.h.
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "core/ComPtr.h"

namespace bench {

// One shell link object and its IPersistFile, made once per thread of use.
class ShellLinkObject {
public:
    ShellLinkObject()
    {
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link_.put_void())) ||
            FAILED(link_.As(IID_IPersistFile, file_)))
            link_.reset();
    }

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
    ScopedCoInit com_;  // first: undone after the pointers are released
    ComPtr<IShellLinkW> link_;
    ComPtr<IPersistFile> file_;
};

}  // namespace bench
