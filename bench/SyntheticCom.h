// A large synthetic registry as a .reg file, for the scan benchmark: the COM
// registrations, and with `full` entries for every other scan category too.
#pragma once

#include <string>

namespace bench {

struct SyntheticSize {
    int classes = 20000;  // CLSID keys; a sixth of them in the 32-bit view
    int typeLibs = 2000;
    int interfaces = 4000;
    int appIds = 1000;
    int brokenPercent = 3;  // entries that point to missing files or type libraries
    // When 0 or more: this many broken entries in all, spread over the kinds
    // of entry in proportion to their numbers, instead of brokenPercent of
    // each. Each of them is one the scan reports (a broken type library names
    // its missing file in win32, the key the scan reads, where the percentage
    // mode keeps the older registry's win64).
    int problems = -1;
    // Also the other categories' entries (application paths, file types,
    // install records, fonts, shared libraries, help files, history lists,
    // shortcut files, sound events, run lists), in proportion to `classes`.
    bool full = false;
};

struct SyntheticCounts {
    long long keys = 0;
    long long values = 0;
    long long broken = 0;
    long long shortcuts = 0;  // .lnk files written (with `full`)
};

// Writes the .reg file (UTF-16, "Windows Registry Editor Version 5.00")
// below HKEY_LOCAL_MACHINE\Software\Classes (and, with `full`, the other
// categories' keys below HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER), and
// creates the files that the entries point to in `filesDir` (with `full`
// also in the folders next to it, and the shortcut files below the user's
// start menu, Programs\Bench). Returns false on an I/O error.
bool WriteSyntheticCom(const std::wstring& regFile, const std::wstring& filesDir, const SyntheticSize& size,
                       SyntheticCounts& counts);

}  // namespace bench
