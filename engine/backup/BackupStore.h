// The backup store under .\regback: listing, and full and partial backups
// (one XML index file plus one folder of hive files per backup).
#pragma once

#include <windows.h>

#include <string>

#include "core/RegEngine.h"

namespace backup {

inline constexpr wchar_t kTemplateFile[] = L"regbak-templ.xml";
inline constexpr wchar_t kViewAttribute[] = L"view";

// <current directory>\regback.
std::wstring StoreDir();
// Creates the store folder when it is missing; false when it cannot be had.
bool EnsureStoreDir();

// Rebuilds engine.backups from the index files in the store (creating the
// store when it is missing).
void ListBackups(CRegEngine& engine);

// One backup on the calling thread (COM initialised by the caller): mode 0
// saves every starting key of scanSetting.xml, mode 1 the keys the fix of
// engine.backupSource will delete or change. 1 on success, 0 on failure.
int RunBackup(CRegEngine& engine, int mode);

DWORD WINAPI BackupThreadProc(LPVOID engineState);

}  // namespace backup
