#include "shell/EngineBinding.h"

#include "safeload/SafeLoad.h"

namespace ui {

EngineFunctionTable* g_engine = nullptr;

bool BindEngine(UiCallbackTable* callbacks, const std::wstring& folder)
{
    HMODULE dll = safeload::LoadFromFolder(folder, L"Corvex.dll");
    if (!dll) return false;
    auto entry = reinterpret_cast<ToEngineInitGetUIInterfaceFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "toEngineInitGetUIInterface")));
    if (!entry) return false;
    entry(callbacks, &g_engine);
    return g_engine != nullptr;
}

}  // namespace ui
