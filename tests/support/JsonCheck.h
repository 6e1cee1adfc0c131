// The tests read the JSON documents of the console tool and the program
// with the reports' own strict reader.
#pragma once

#include "report/pure/JsonReader.h"

namespace jsoncheck = report::json;
