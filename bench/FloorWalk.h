// The floors of the scans: the cheapest walks of the data a scan reads.
//   WalkComRoots: every key and value below the four COM roots in both
//   views, read with RegEnumKeyExW/RegEnumValueW, and one FindFirstFileW per
//   path found in string data. Nothing else: no checks, no records.
//   WalkFullScan: the keys and folders of the full scan with the shipped
//   settings, in the views the scan reads them in, entering only the subkeys
//   the scan enters, and one existence test per path the scan tests.
#pragma once

#include <cstdio>

namespace bench {

struct FloorCounts {
    long long keys = 0;
    long long values = 0;
    long long paths = 0;
    long long missing = 0;
    long long items = 0;  // values (and shortcut folder files) of the kinds the scan examines
    // The floor's own calls.
    long long regOpenKeyEx = 0;
    long long regQueryInfoKey = 0;
    long long regEnumKeyEx = 0;
    long long regEnumValue = 0;
    long long regQueryValueEx = 0;
    long long findFirstFile = 0;
    long long findNextFile = 0;
    long long shellLinkLoad = 0;

    void Add(const FloorCounts& o)
    {
        keys += o.keys, values += o.values, paths += o.paths, missing += o.missing, items += o.items;
        regOpenKeyEx += o.regOpenKeyEx, regQueryInfoKey += o.regQueryInfoKey, regEnumKeyEx += o.regEnumKeyEx;
        regEnumValue += o.regEnumValue, regQueryValueEx += o.regQueryValueEx, findFirstFile += o.findFirstFile;
        findNextFile += o.findNextFile, shellLinkLoad += o.shellLinkLoad;
    }

    // "keys=... values=... paths=... missing=... items=... RegOpenKeyExW=... ..."
    void Print(FILE* out) const
    {
        std::fprintf(out,
                     "keys=%lld values=%lld paths=%lld missing=%lld items=%lld RegOpenKeyExW=%lld "
                     "RegQueryInfoKeyW=%lld RegEnumKeyExW=%lld RegEnumValueW=%lld RegQueryValueExW=%lld "
                     "FindFirstFileW=%lld FindNextFileW=%lld ShellLinkLoad=%lld",
                     keys, values, paths, missing, items, regOpenKeyEx, regQueryInfoKey, regEnumKeyEx, regEnumValue,
                     regQueryValueEx, findFirstFile, findNextFile, shellLinkLoad);
    }
};

FloorCounts WalkComRoots();

// One category's share of the full floor.
struct FloorPart {
    const char* name;  // a short name without spaces: "com", "apppaths", ...
    long long ms = 0;
    FloorCounts counts;
};

// The full floor; `parts` receives the twelve categories' shares in scan order.
FloorCounts WalkFullScan(FloorPart (&parts)[12]);

}  // namespace bench
