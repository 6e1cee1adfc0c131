// The existence caches of the scan running on the calling thread. A scan
// holds one ScanCacheScope for its whole length, so a key or file created
// between two scans is seen by the second; outside a scope (fixes, the
// startup manager, any other thread) every question goes to the system.
#pragma once

#include <memory>

#include "pure/ExistenceCache.h"
#include "scan/DriveCheck.h"

namespace scan {

struct ScanCaches;

class ScanCacheScope {
public:
    ScanCacheScope();
    ~ScanCacheScope();
    ScanCacheScope(const ScanCacheScope&) = delete;
    ScanCacheScope& operator=(const ScanCacheScope&) = delete;

private:
    std::unique_ptr<ScanCaches> caches_;
    ScanCaches* previous_;
};

// Keys below HKEY_CLASSES_ROOT by view (class names, and the identifiers of
// the CLSID, TypeLib, AppID and Interface trees), and files by file view;
// null outside a scope.
pure::ExistenceCache* ScanClassNameCache();
pure::ExistenceCache* ScanIdentifierCache();
pure::ExistenceCache* ScanFileCache();

// What each drive letter was found to be; null outside a scope.
struct DriveStates {
    bool asked[26] = {};
    DriveState states[26];
};
DriveStates* ScanDriveStates();

}  // namespace scan
