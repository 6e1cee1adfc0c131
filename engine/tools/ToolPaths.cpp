#include "tools/ToolPaths.h"

namespace tools {
bool CanSwitchRedirection(const SystemFacts& facts)
{
    return facts.isWow64Process && facts.disableRedirection && facts.revertRedirection;
}

ScopedNoRedirection::ScopedNoRedirection(const SystemFacts& facts) : facts_(facts)
{
    if (CanSwitchRedirection(facts_)) active_ = facts_.disableRedirection(&old_) != FALSE;
}

ScopedNoRedirection::~ScopedNoRedirection()
{
    if (active_) facts_.revertRedirection(old_);
}

}  // namespace tools
