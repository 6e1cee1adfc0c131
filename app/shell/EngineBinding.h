// The binding to Corvex.dll: the engine's operation table and the load.
#pragma once

#include <string>

#include "corvex/EngineTables.h"

namespace ui {

// Set once at start-up; every page calls the engine through it.
extern EngineFunctionTable* g_engine;

// Loads "Corvex.dll" from `folder` (empty: the program's own) by its full
// path, hands it `callbacks` and stores its table in g_engine. False when the
// library or its entry point is missing.
bool BindEngine(UiCallbackTable* callbacks, const std::wstring& folder);

}  // namespace ui
