#include "backup/Privileges.h"

namespace backup {

bool ScopedPrivileges::Enable(const wchar_t* name)
{
    if (!token_ && !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token_.put())) {
        token_.release();
        return false;
    }
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid)) return false;
    TOKEN_PRIVILEGES before{};
    DWORD size = sizeof before;
    if (!AdjustTokenPrivileges(token_.get(), FALSE, &tp, sizeof tp, &before, &size)) return false;
    if (GetLastError() == ERROR_NOT_ALL_ASSIGNED) return false;
    if (before.PrivilegeCount) previous_.push_back(before);
    return true;
}

ScopedPrivileges::~ScopedPrivileges()
{
    if (!token_) return;
    for (auto it = previous_.rbegin(); it != previous_.rend(); ++it)
        AdjustTokenPrivileges(token_.get(), FALSE, &*it, sizeof *it, nullptr, nullptr);
}

}  // namespace backup
