#include "StartupTestSupport.h"

#include "support/TestEnv.h"

namespace startuptest {

EngineFunctionTable& Table()
{
    static EngineFunctionTable* table = [] {
        static UiCallbackTable callbacks{};
        EngineFunctionTable* t = nullptr;
        toEngineInitGetUIInterface(&callbacks, &t);
        return t;
    }();
    return *table;
}

std::vector<BYTE> Bytes(const std::wstring& text)
{
    const BYTE* p = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t));
}

RunValue::RunValue(HKEY root, const std::wstring& keyPath, REGSAM view, const std::wstring& data, DWORD type)
    : root_(root), keyPath_(keyPath), view_(view), name_(testenv::UniqueName(L"run"))
{
    Create(Bytes(data), type);
}

RunValue::RunValue(HKEY root, const std::wstring& keyPath, REGSAM view, const std::vector<BYTE>& bytes, DWORD type)
    : root_(root), keyPath_(keyPath), view_(view), name_(testenv::UniqueName(L"run"))
{
    Create(bytes, type);
}

void RunValue::Create(const std::vector<BYTE>& bytes, DWORD type)
{
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root_, keyPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open a Run key");
    createdKey_ = disposition == REG_CREATED_NEW_KEY;
    RegSetValueExW(key, name_.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

RunValue::~RunValue()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, keyPath_.c_str(), 0, KEY_ALL_ACCESS | view_, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, name_.c_str());
    DWORD values = 1, subkeys = 1;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    if (createdKey_ && values == 0 && subkeys == 0) RegDeleteKeyExW(root_, keyPath_.c_str(), view_, 0);
}

bool RunValue::Read(DWORD& type, std::vector<BYTE>& bytes) const
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, keyPath_.c_str(), 0, KEY_READ | view_, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, name_.c_str(), nullptr, &type, nullptr, &size);
    bytes.assign(size, 0);
    if (rc == ERROR_SUCCESS) rc = RegQueryValueExW(key, name_.c_str(), nullptr, &type, bytes.data(), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool RunValue::Exists() const
{
    DWORD type = 0;
    std::vector<BYTE> bytes;
    return Read(type, bytes);
}

std::vector<std::unique_ptr<StartupItem>> Load()
{
    std::vector<std::unique_ptr<StartupItem>> out;
    PtrArray<StartupItem>* items = Table().LoadStartupItems();
    if (!items) return out;
    for (StartupItem* item : *items) out.emplace_back(item);
    return out;
}

const StartupItem* Find(const std::vector<std::unique_ptr<StartupItem>>& items, const std::wstring& valueName,
                        int enabled)
{
    for (const auto& item : items)
        if (item->valueName == valueName && item->enabled == enabled) return item.get();
    return nullptr;
}

ApprovedSwitch::ApprovedSwitch(HKEY root, const wchar_t* sub, const std::wstring& name, const std::vector<BYTE>& bytes)
    : root_(root),
      path_(std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\") + sub),
      name_(name)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name_.c_str(), 0, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

ApprovedSwitch::~ApprovedSwitch()
{
    RegDeleteKeyValueW(root_, path_.c_str(), name_.c_str());
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return;
    DWORD values = 0, subkeys = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    if (values == 0 && subkeys == 0) RegDeleteKeyExW(root_, path_.c_str(), KEY_WOW64_64KEY, 0);
}

std::vector<BYTE> ApprovedSwitch::Read() const
{
    std::vector<BYTE> bytes(64);
    DWORD size = static_cast<DWORD>(bytes.size());
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return {};
    const LONG rc = RegQueryValueExW(key, name_.c_str(), nullptr, nullptr, bytes.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return {};
    bytes.resize(size);
    return bytes;
}

std::vector<BYTE> ApprovedBytes(BYTE first)
{
    return {first, 0, 0, 0, 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0x01};
}

}  // namespace startuptest
