// A large synthetic COM registry as a .reg file, for the scan benchmark.
#pragma once

#include <string>

namespace bench {

struct SyntheticSize {
    int classes = 20000;  // CLSID keys; a sixth of them in the 32-bit view
    int typeLibs = 2000;
    int interfaces = 4000;
    int appIds = 1000;
    int brokenPercent = 3;  // entries that point to missing files or type libraries
};

struct SyntheticCounts {
    long long keys = 0;
    long long values = 0;
    long long broken = 0;
};

// Writes the .reg file (UTF-16, "Windows Registry Editor Version 5.00")
// below HKEY_LOCAL_MACHINE\Software\Classes, and creates the library files
// that the registrations point to in `filesDir`. Returns false on an I/O error.
bool WriteSyntheticCom(const std::wstring& regFile, const std::wstring& filesDir, const SyntheticSize& size,
                       SyntheticCounts& counts);

}  // namespace bench
