// The facts of the running tool and system, as the JSON documents name them.
#pragma once

#include "cli/pure/JsonDocument.h"

namespace cli {

ToolFacts DetectToolFacts();

}  // namespace cli
