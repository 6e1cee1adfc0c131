// Paths of the system tools: environment expansion, existence tests that see
// the native system folders, and switching file-system redirection off
// around a single start.
#pragma once

#include <windows.h>

#include <string>

#include "core/SystemFacts.h"

namespace tools {

// ExpandEnvironmentStringsW into a 16383-character buffer. "%PROGRAMFILES%"
// always yields the native "Program Files" folder. A result that does not fit
// or a failure is reported (caption "ExpandEnvironmentStrings") and gives
// false.
bool ExpandEnvString(const std::wstring& text, std::wstring& out);

// Something exists at this exact path, seen without redirection under WOW64.
bool CheckFileExist(const std::wstring& path, const SystemFacts& facts);

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
