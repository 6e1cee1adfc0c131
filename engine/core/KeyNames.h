// The full name the system gives an opened registry key
// ("\REGISTRY\MACHINE\SOFTWARE\Wow6432Node\..."): where a key really is,
// whatever root, view or merged class view it was opened through.
#pragma once

#include <windows.h>

#include <string>

namespace regkey {

// Empty when the name cannot be had.
std::wstring SystemNameOf(HKEY key);

// root\path opened in `view`; empty when it cannot be opened or named.
std::wstring SystemKeyName(HKEY root, const std::wstring& path, REGSAM view);

}  // namespace regkey
