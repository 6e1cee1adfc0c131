// Loads Corvex.dll from the program's folder and binds the two tables, as
// the program does.
#pragma once

#include "corvex/EngineTables.h"

namespace cli {

// The engine's table, bound with the console's callback table (which must
// outlive the process's use of the engine), with the engine's message boxes
// turned into lines on stderr (nobody may be at a screen to answer them).
// Throws CliError when the library or its export is missing.
EngineFunctionTable& BindEngine(UiCallbackTable* callbacks);

// True once the engine reported something: the command then failed,
// whatever its slots returned.
bool EngineReported();
// The first report as its stderr line shows it, without the prefix.
std::wstring FirstReport();

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
