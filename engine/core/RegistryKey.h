// Opening registry keys for reading in a chosen view.
#pragma once

#include <windows.h>

#include <string>

#include "core/Handles.h"

namespace regkey {

inline constexpr wchar_t kOpenKeyContext[] = L"CRegistryKey::OpenKey(HKEY hKey ...)";

// RegOpenKeyExW with KEY_READ | view. A key that does not exist gives an
// empty result silently; any other failure is shown in the error report box
// with `context` as caption. *error (if given) receives the result code.
UniqueHKey OpenKey(HKEY root, const std::wstring& path, int view,
                   const wchar_t* context = kOpenKeyContext, LONG* error = nullptr);

// The same without any report: *error receives the result code, and the
// caller decides what a failure means.
UniqueHKey OpenKeyQuietly(HKEY root, const std::wstring& path, int view, LONG* error);

}  // namespace regkey
