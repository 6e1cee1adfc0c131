// Privileges enabled on the process token for the work that needs them and
// put back as they were afterwards.
#pragma once

#include <windows.h>

#include <vector>

#include "core/Handles.h"

namespace backup {

class ScopedPrivileges {
public:
    ScopedPrivileges() = default;
    ScopedPrivileges(const ScopedPrivileges&) = delete;
    ScopedPrivileges& operator=(const ScopedPrivileges&) = delete;
    // Puts every privilege this object changed back to its earlier state
    // (disabling all of them would also take away those the process had
    // enabled from the start).
    ~ScopedPrivileges();

    // Enables one privilege ("SeBackupPrivilege", ...). False when the token
    // cannot be opened or the privilege is not held.
    bool Enable(const wchar_t* name);

private:
    UniqueHandle token_;
    std::vector<TOKEN_PRIVILEGES> previous_;
};

}  // namespace backup
