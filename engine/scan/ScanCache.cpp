#include "scan/ScanCache.h"

namespace scan {

struct ScanCaches {
    pure::ExistenceCache keys;
    pure::ExistenceCache files;
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

pure::ExistenceCache* ScanKeyCache()
{
    return t_caches ? &t_caches->keys : nullptr;
}

pure::ExistenceCache* ScanFileCache()
{
    return t_caches ? &t_caches->files : nullptr;
}

}  // namespace scan
