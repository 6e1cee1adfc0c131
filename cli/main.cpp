// TamselCli: the engine from a console, through the same two tables the
// program uses.
#include <windows.h>

#include <cstdio>
#include <string>

#include "corvex/EngineTables.h"

namespace {

UiCallbackTable g_callbacks{};

int Usage()
{
    fwprintf(stderr, L"usage: TamselCli categories\n");
    return 2;
}

EngineFunctionTable* BindEngine()
{
    HMODULE dll = LoadLibraryW(L"Corvex.dll");
    if (!dll) {
        fwprintf(stderr, L"TamselCli: cannot load Corvex.dll (error %lu)\n", GetLastError());
        return nullptr;
    }
    auto init = reinterpret_cast<ToEngineInitGetUIInterfaceFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "toEngineInitGetUIInterface")));
    if (!init) {
        fwprintf(stderr, L"TamselCli: Corvex.dll has no toEngineInitGetUIInterface\n");
        return nullptr;
    }
    EngineFunctionTable* table = nullptr;
    init(&g_callbacks, &table);
    return table;
}

// Data files are opened by relative names: work in the program's folder.
void EnterProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::wstring dir(path, n);
    size_t slash = dir.find_last_of(L"\\/");
    if (slash != std::wstring::npos) SetCurrentDirectoryW(dir.substr(0, slash).c_str());
}

int ListCategories(EngineFunctionTable& engine)
{
    PtrArray<XMLElement>* list = engine.LoadScanSettings();
    if (!list) return 2;
    for (const XMLElement* c : *list)
        wprintf(L"%ls\t%ls\t%d key(s)\n", c->enabled ? L"on " : L"off", c->categoryName.c_str(),
                c->keyEntries.GetCount());
    engine.ReleaseEngine();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return Usage();
    std::wstring command = argv[1];
    EnterProgramFolder();
    EngineFunctionTable* engine = BindEngine();
    if (!engine) return 2;
    if (command == L"categories") return ListCategories(*engine);
    return Usage();
}
