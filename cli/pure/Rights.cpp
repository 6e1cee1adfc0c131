#include "cli/pure/Rights.h"

namespace cli {

bool NeedsAdministrator(const Arguments& args)
{
    switch (args.command) {
    case Command::Fix: return args.yes;
    case Command::Backup:
    case Command::Restore:
    case Command::DeleteBackup: return true;
    case Command::Startup: return !args.action.empty() && args.action != L"disabled";  // that one only lists
    case Command::Schedule: return !args.action.empty();
    case Command::Help:
    case Command::Scan:
    case Command::Categories:
    case Command::Backups:
    case Command::Ignored: return false;
    }
    return true;  // a command added later changes things until it says otherwise
}

}  // namespace cli
