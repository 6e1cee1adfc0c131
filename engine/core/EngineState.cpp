#include "core/EngineState.h"

#include <memory>
#include <optional>

namespace engine {
namespace {
std::unique_ptr<CRegEngine> g_engine;
std::optional<SystemFacts> g_factsOverride;

std::unique_ptr<CRegEngine> Create()
{
    if (g_factsOverride) return std::make_unique<CRegEngine>(*g_factsOverride);
    return std::make_unique<CRegEngine>();
}
}  // namespace

CRegEngine* Current()
{
    return g_engine.get();
}

CRegEngine& New()
{
    g_engine.reset();
    g_engine = Create();
    return *g_engine;
}

CRegEngine& Ensure()
{
    if (!g_engine) g_engine = Create();
    return *g_engine;
}

void Destroy()
{
    g_engine.reset();
}

void SetFactsOverride(const SystemFacts* facts)
{
    if (facts)
        g_factsOverride = *facts;
    else
        g_factsOverride.reset();
}

}  // namespace engine
