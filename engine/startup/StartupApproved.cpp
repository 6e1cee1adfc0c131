#include "startup/StartupApproved.h"

#include <vector>

#include "core/Handles.h"
#include "pure/StartupRules.h"
#include "startup/RunKeys.h"

namespace startup {
namespace {

struct Approved {
    pure::ApprovedState state = pure::ApprovedState::Enabled;  // no value: enabled
    std::vector<uint8_t> bytes;
};

std::wstring ApprovedPath(const CRegEngine& engine, const StartupItem& item)
{
    return pure::ApprovedKeyPath(item.rootName, item.keyPath, engine.Is64BitWindows());
}

// False when the key or value exists but cannot be read.
bool ReadApproved(const CRegEngine& engine, const StartupItem& item, const std::wstring& path, Approved& out)
{
    HKEY root = CRegEngine::LookupRoot(item.rootName);
    if (!root) return false;
    UniqueHKey key;
    LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | RunKeyView(engine), key.put());
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 64;
    out.bytes.assign(size, 0);
    rc = RegQueryValueExW(key.get(), item.valueName.c_str(), nullptr, &type, out.bytes.data(), &size);
    if (rc == ERROR_FILE_NOT_FOUND) {
        out.bytes.clear();
        return true;
    }
    if (rc == ERROR_MORE_DATA) {
        out.state = pure::ApprovedState::Unknown;
        out.bytes.clear();
        return true;
    }
    if (rc != ERROR_SUCCESS) return false;
    out.bytes.resize(size);
    out.state = pure::ReadApprovedState(type, out.bytes.data(), out.bytes.size());
    return true;
}

}  // namespace

void ApplyApprovedState(const CRegEngine& engine, StartupItem& item)
{
    item.approvedKey.clear();
    item.windowsDisabled = 0;
    const std::wstring path = ApprovedPath(engine, item);
    if (path.empty()) return;
    item.approvedKey = item.rootName + L"\\" + path;
    Approved approved;
    if (!ReadApproved(engine, item, path, approved) || approved.state != pure::ApprovedState::Disabled) return;
    item.windowsDisabled = 1;
    item.enabled = 0;
}

bool SwitchOnApproved(const CRegEngine& engine, const StartupItem& item)
{
    const std::wstring path = ApprovedPath(engine, item);
    if (path.empty()) return true;
    Approved approved;
    if (!ReadApproved(engine, item, path, approved)) return false;
    if (approved.state != pure::ApprovedState::Disabled) return true;
    const std::vector<uint8_t> on = pure::EnabledApprovedValue(approved.bytes.data(), approved.bytes.size());
    UniqueHKey key;
    if (RegOpenKeyExW(CRegEngine::LookupRoot(item.rootName), path.c_str(), 0, KEY_SET_VALUE | RunKeyView(engine),
                      key.put()) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), item.valueName.c_str(), 0, REG_BINARY, on.data(),
                          static_cast<DWORD>(on.size())) == ERROR_SUCCESS;
}

}  // namespace startup
