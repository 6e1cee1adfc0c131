// The one place the scan asks the file system whether something is at a
// path: the system's file search (FindFirstFileW), given a path longer than
// MAX_PATH in its "\\?\" form. Wine never answers access denied, not ready,
// name too long or sharing violation, so tests install a finder that does
// (it receives the text the search would get).
#pragma once

#include <windows.h>

#include <string>

namespace scan {

// The text the search is given for `path`: the path itself, or its "\\?\"
// form when it is longer than MAX_PATH allows and has one.
std::wstring SearchTextOf(const std::wstring& path);

// ERROR_SUCCESS when the search finds an entry (file or folder; wildcards
// match as patterns), otherwise the error the search ended with.
DWORD FindFileError(const std::wstring& path);

// Searches `searchText` as FindFirstFileW does.
using FileFinder = DWORD (*)(const std::wstring& searchText);

// Installs a finder (null restores the system's search); returns the
// previous one. Meant for tests, which install it before a scan starts.
FileFinder SetFileFinderForTests(FileFinder finder);

}  // namespace scan
