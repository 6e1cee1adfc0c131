// Restoring a backup of the store into the registry, and deleting a backup.
#pragma once

#include <windows.h>

#include <string>

#include "core/RegEngine.h"

namespace backup {

inline constexpr wchar_t kRestoreCaption[] = L"RestoreKey";

// Restores every saved key of the backup `name` on the calling thread (COM
// initialised by the caller). 1 only when every saved key was restored; an
// element that is refused or fails makes it 0, and how many failed is
// reported once at the end.
int RunRestore(const std::wstring& name);

// Deletes the backup's hive files, folders and index file (index last). 0
// for a name that is not a store name; then nothing is touched.
int DeleteBackupFiles(const std::wstring& name);

DWORD WINAPI RestoreThreadProc(LPVOID engineState);

}  // namespace backup
