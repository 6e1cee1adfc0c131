// The tests read the tool's JSON with the tool's own strict reader.
#pragma once

#include "cli/pure/JsonReader.h"

namespace jsoncheck = cli::json;
