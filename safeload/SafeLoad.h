// Where the programs take their DLLs from. Both run elevated and are
// unpacked anywhere (often into Downloads): a DLL of a looked-up name lying
// in the current folder or on PATH must never be loaded.
#pragma once

#include <windows.h>

#include <string>

namespace safeload {

// Limits the process's DLL search to the program's own folder and System32
// (no current folder, no PATH). Called first thing in wmain/wWinMain. False
// when the system has no SetDefaultDllDirectories (Windows 7 without its
// update); the current folder is then at least taken out of the search.
bool RestrictDllSearch();

// The folder of the running program, without a trailing backslash; empty
// when it cannot be had.
std::wstring ProgramFolder();

// Loads `name` from `folder` by its full path (an empty folder: the
// program's own). Its own imports are then looked for beside it.
HMODULE LoadFromFolder(const std::wstring& folder, const wchar_t* name);

// Loads a DLL of the system from System32 and nowhere else.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace safeload
