// Putting a saved hive file back over a registry key. On Windows this is
// RegRestoreKeyW with REG_FORCE_RESTORE. Wine's RegRestoreKeyW reports success
// and changes nothing, so there the file is loaded under a temporary key,
// the target is made equal to it (see ExactTree.h) and it is unloaded again.
#pragma once

#include <windows.h>

#include <string>

namespace backup {

struct RestoreStatus {
    // ElsewhereKey: the key opened for the restore is not the one saved (its
    // system name differs, e.g. another registry view); nothing was written.
    enum Stage { Ok, KeyFailed, RestoreFailed, ElsewhereKey } stage = Ok;
    LONG code = ERROR_SUCCESS;
};

// Opens or creates root\subKey in `view` (0 for the process's own) and
// replaces its values and whole subtree with the hive file's contents.
// With a `systemName` (recorded at backup time) the opened key must have
// that name, or nothing is written.
using HiveRestoreFn = RestoreStatus (*)(HKEY root, const std::wstring& subKey, REGSAM view,
                                        const std::wstring& hiveFile, const std::wstring& systemName);

RestoreStatus RestoreWithRegRestoreKey(HKEY root, const std::wstring& subKey, REGSAM view,
                                       const std::wstring& hiveFile, const std::wstring& systemName);
RestoreStatus RestoreByLoadAndCopy(HKEY root, const std::wstring& subKey, REGSAM view,
                                   const std::wstring& hiveFile, const std::wstring& systemName);

// True when ntdll exports wine_get_version.
bool RunningUnderWine();

// The restore in use: the load-and-copy one under Wine, RegRestoreKeyW
// elsewhere, or the one a test installed.
HiveRestoreFn ActiveHiveRestore();
// Tests only; null goes back to the choice by platform.
void SetHiveRestoreForTests(HiveRestoreFn fn);

}  // namespace backup
