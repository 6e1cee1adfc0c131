#include "scan/ScanCache.h"

namespace scan {

// Registered identifiers recur most (type libraries, AppIDs, proxies);
// class names mostly once each, so they get a cache of their own.
struct ScanCaches {
    pure::ExistenceCache classNames{4096};
    pure::ExistenceCache identifiers{8192};
    pure::ExistenceCache files{4096};
    DriveStates drives;
};

namespace {
thread_local ScanCaches* t_caches = nullptr;
}  // namespace

ScanCacheScope::ScanCacheScope() : caches_(std::make_unique<ScanCaches>()), previous_(t_caches)
{
    t_caches = caches_.get();
}

ScanCacheScope::~ScanCacheScope()
{
    t_caches = previous_;
}

pure::ExistenceCache* ScanClassNameCache()
{
    return t_caches ? &t_caches->classNames : nullptr;
}

pure::ExistenceCache* ScanIdentifierCache()
{
    return t_caches ? &t_caches->identifiers : nullptr;
}

pure::ExistenceCache* ScanFileCache()
{
    return t_caches ? &t_caches->files : nullptr;
}

DriveStates* ScanDriveStates()
{
    return t_caches ? &t_caches->drives : nullptr;
}

}  // namespace scan
