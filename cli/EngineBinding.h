// Loads Corvex.dll by name and binds the two tables, as the program does.
#pragma once

#include "corvex/EngineTables.h"

namespace cli {

// The engine's table, bound with the console's callback table (which must
// outlive the process's use of the engine). Throws CliError when the
// library or its export is missing.
EngineFunctionTable& BindEngine(UiCallbackTable* callbacks);

// Releases the engine state once at the end of a command.
class EngineSession {
public:
    explicit EngineSession(EngineFunctionTable& engine) : engine_(engine) {}
    ~EngineSession() { engine_.ReleaseEngine(); }
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;
    EngineFunctionTable& operator*() const { return engine_; }
    EngineFunctionTable* operator->() const { return &engine_; }

private:
    EngineFunctionTable& engine_;
};

}  // namespace cli
