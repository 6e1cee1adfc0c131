// Switching file-system redirection off around a single start of a system
// tool.
#pragma once

#include <windows.h>

#include <string>

#include "core/SystemFacts.h"

namespace tools {

// Turns file-system redirection off for the object's lifetime when the
// process runs under WOW64 and the system has both switches.
class ScopedNoRedirection {
public:
    explicit ScopedNoRedirection(const SystemFacts& facts);
    ~ScopedNoRedirection();
    ScopedNoRedirection(const ScopedNoRedirection&) = delete;
    ScopedNoRedirection& operator=(const ScopedNoRedirection&) = delete;
    bool active() const { return active_; }

private:
    const SystemFacts& facts_;
    PVOID old_ = nullptr;
    bool active_ = false;
};

bool CanSwitchRedirection(const SystemFacts& facts);

}  // namespace tools
