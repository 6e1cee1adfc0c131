// The table of callbacks the engine's workers call.
#pragma once

#include "corvex/EngineTables.h"

namespace ui {

// The one table, alive for the whole run.
UiCallbackTable* CallbackTable();

}  // namespace ui
