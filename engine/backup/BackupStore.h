// The backup store under .\regback: listing, and full and partial backups
// (one XML index file plus one folder of hive files per backup).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "core/RegEngine.h"

namespace backup {

inline constexpr wchar_t kTemplateFile[] = L"regbak-templ.xml";
inline constexpr wchar_t kViewAttribute[] = L"view";
inline constexpr wchar_t kFullBackupCaption[] = L"Full registry backup";
// Shortcut files a fix removes are copied into the data folder's
// "Shortcuts" folder and listed in the index under one element:
// <shortcuts><lnk path="C:\...\x.lnk" file="S1.lnk"/></shortcuts>.
inline constexpr wchar_t kShortcutFolder[] = L"Shortcuts";
inline constexpr wchar_t kShortcutGroup[] = L"shortcuts";
inline constexpr wchar_t kShortcutElement[] = L"lnk";
// A full backup's index lists every category of the settings it was made
// from, and whether its starting keys were saved (the shortcut folders are
// not keys): <coverage><category name="..." saved="yes|no" reason="..."/>.
// A restore reads nothing from it.
inline constexpr wchar_t kCoverageGroup[] = L"coverage";
inline constexpr wchar_t kCoverageElement[] = L"category";
// The system's full name of the saved key: a restore writes only into the
// key of that name (older indexes have none).
inline constexpr wchar_t kSystemNameAttribute[] = L"sysname";

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

// Saves `key` as a hive file in `folder` under the first name from
// `nextName` that is not taken; `file` receives the name. Never saves onto an
// existing file: Wine's RegSaveKeyW would overwrite it, where Windows fails
// with ERROR_ALREADY_EXISTS and the next name is tried.
LONG SaveHiveFile(HKEY key, const std::wstring& folder, const std::function<std::wstring()>& nextName,
                  std::wstring& file);

DWORD WINAPI BackupThreadProc(LPVOID engineState);

}  // namespace backup
