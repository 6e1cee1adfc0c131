// The full name the system gives an opened registry key
// ("\REGISTRY\MACHINE\SOFTWARE\Wow6432Node\..."): where a key really is,
// whatever root, view or merged class view it was opened through.
#pragma once

#include <windows.h>

#include <string>

#include "pure/KeyLocation.h"

namespace regkey {

// Empty when the name cannot be had.
std::wstring SystemNameOf(HKEY key);

// root\path opened in `view`; empty when it cannot be opened or named.
std::wstring SystemKeyName(HKEY root, const std::wstring& path, REGSAM view);

// The current user's SID as text ("S-1-5-21-..."); empty when unknown.
std::wstring CurrentUserSid();

// Where root\path opened in `view` really is (see pure/KeyLocation.h);
// false when the key cannot be opened or its name not mapped.
bool RealLocation(HKEY root, const std::wstring& path, REGSAM view, pure::KeyLocation& out);

// What RealLocation asks for the system name. Tests install one that answers
// as Windows' merged class root would (Wine's is the machine's classes
// alone); null restores SystemKeyName.
using SystemNameSource = std::wstring (*)(HKEY root, const std::wstring& path, REGSAM view);
void SetSystemNameSourceForTests(SystemNameSource source);

}  // namespace regkey
