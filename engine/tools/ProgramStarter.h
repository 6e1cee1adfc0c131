// Every outside program the engine starts or ends goes through here, so tests
// can see what would be started without starting it. Production calls the
// shell and the process functions.
#pragma once

#include <windows.h>

#include <string>

namespace starter {

enum class Via {
    kShellExecute,    // ShellExecuteW: opening a folder, the registry editor
    kShellExecuteEx,  // ShellExecuteExW: system tools, the properties sheet
};

struct Request {
    Via via = Via::kShellExecute;
    std::wstring verb;        // empty: no verb
    std::wstring file;
    std::wstring parameters;  // empty: none
    int show = SW_SHOWNORMAL;
    ULONG mask = 0;           // ShellExecuteExW only
};

struct Outcome {
    bool ok = false;
    DWORD error = 0;  // the last error right after a failed call
};

class Starter {
public:
    virtual ~Starter() = default;
    virtual Outcome Start(const Request& request) = 0;
    // Ends a process and waits a moment for it to be gone; false when it
    // could not be ended.
    virtual bool Terminate(DWORD processId) = 0;
};

// Installs a starter (null restores the real one); returns the previous one.
Starter* SetStarter(Starter* starter);

Outcome Start(const Request& request);
bool Terminate(DWORD processId);

// The mask of every ShellExecuteExW the engine makes.
inline constexpr ULONG kExMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;

}  // namespace starter
