#include "cli/pure/ExitCode.h"

#include "cli/pure/CliArgs.h"

namespace cli {

int ExitCodeFor(const report::ScanReport& r)
{
    if (r.stopped) return kExitError;
    return report::VisibleProblemCount(r) > 0 ? kExitProblems : kExitClean;
}

}  // namespace cli
