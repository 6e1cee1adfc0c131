#include "EngineBinding.h"

#include <string>

#include "Console.h"

namespace cli {

EngineFunctionTable& BindEngine(UiCallbackTable* callbacks)
{
    HMODULE dll = LoadLibraryW(L"Corvex.dll");
    if (!dll) throw CliError{L"cannot load Corvex.dll (error " + std::to_wstring(GetLastError()) + L")"};
    auto init = reinterpret_cast<ToEngineInitGetUIInterfaceFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "toEngineInitGetUIInterface")));
    if (!init) throw CliError{L"Corvex.dll has no export toEngineInitGetUIInterface"};
    EngineFunctionTable* table = nullptr;
    init(callbacks, &table);
    if (!table) throw CliError{L"Corvex.dll returned no engine table"};
    return *table;
}

}  // namespace cli
