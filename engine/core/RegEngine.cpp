#include "core/RegEngine.h"

namespace {
struct RootEntry {
    const wchar_t* name;
    HKEY handle;
};
const RootEntry kRoots[] = {
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};
}  // namespace

CRegEngine::CRegEngine() : CRegEngine(SystemFacts::Detect()) {}

CRegEngine::CRegEngine(const SystemFacts& f) : facts(f) {}

CRegEngine::~CRegEngine()
{
    results.Clear();
    categories.Clear();
    ignoreList.Clear();
    startupItems.DetachAll();  // the items belong to whoever loaded them
    backups.Clear();
}

HKEY CRegEngine::LookupRoot(const std::wstring& name)
{
    for (const RootEntry& r : kRoots)
        if (name == r.name) return r.handle;
    return nullptr;
}

const wchar_t* CRegEngine::RootName(HKEY root)
{
    for (const RootEntry& r : kRoots)
        if (root == r.handle) return r.name;
    return L"";
}
