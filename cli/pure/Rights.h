// Which command lines change the machine and so need administrator rights.
// Without them Windows may redirect a write to the user's VirtualStore and
// still report success, so such a command stops before it does anything.
#pragma once

#include "cli/pure/CliArgs.h"

namespace cli {

inline constexpr wchar_t kNeedsAdministrator[] =
    L"this command needs administrator rights (run the console as administrator)";

// fix --yes, backup, restore, delete-backup and every startup or schedule
// change; scans, dry runs and listings only read.
bool NeedsAdministrator(const Arguments& args);

}  // namespace cli
