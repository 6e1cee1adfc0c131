#include "startup/RunKeys.h"

#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "pure/StartupRules.h"
#include "startup/StartupApproved.h"
#include "tools/VersionTexts.h"

namespace startup {
namespace {

constexpr DWORD kNameCapacity = 16384;  // the longest value name the registry allows, and its terminator
constexpr DWORD kFirstDataSize = 200;

std::wstring TypeName(const std::wstring& path)
{
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME)) return std::wstring();
    return info.szTypeName;
}

std::unique_ptr<StartupItem> MakeItem(const CRegEngine& engine, const wchar_t* rootName, const std::wstring& keyPath, std::wstring name,
                                      std::wstring commandLine, DWORD type)
{
    auto item = std::make_unique<StartupItem>();
    item->commandLine = std::move(commandLine);
    item->filePath = pure::StartupFilePath(item->commandLine);
    tools::VersionTexts texts = tools::GetVersionTexts(item->filePath);
    item->description = pure::StartupDescription(texts.product, texts.description, TypeName(item->filePath));
    item->rootName = rootName;
    item->keyPath = keyPath;
    item->valueName = std::move(name);
    item->enabled = 1;
    item->valueType = type;
    ApplyApprovedState(engine, *item);
    return item;
}

void AppendKey(const CRegEngine& engine, const wchar_t* rootName, const std::wstring& keyPath,
               PtrArray<StartupItem>& out)
{
    const REGSAM view = RunKeyView(engine);
    UniqueHKey key;
    if (RegOpenKeyExW(CRegEngine::LookupRoot(rootName), keyPath.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) !=
        ERROR_SUCCESS)
        return;
    std::vector<wchar_t> name(kNameCapacity);
    std::vector<BYTE> data(kFirstDataSize);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 0, dataSize = 0, type = 0;
        LONG rc = ERROR_MORE_DATA;
        // A value larger than the buffer is read again with the size it reports.
        for (int attempt = 0; rc == ERROR_MORE_DATA && attempt < 4; ++attempt) {
            nameLength = kNameCapacity;
            dataSize = static_cast<DWORD>(data.size());
            rc = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
            if (rc == ERROR_MORE_DATA) data.resize(std::max<size_t>(dataSize, data.size() * 2) + sizeof(wchar_t));
        }
        if (rc == ERROR_MORE_DATA) continue;  // still growing: leave this one out
        if (rc != ERROR_SUCCESS) return;      // no more values
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        const wchar_t* text = reinterpret_cast<const wchar_t*>(data.data());
        size_t chars = dataSize / sizeof(wchar_t);
        std::wstring commandLine(text, wcsnlen(text, chars));
        out.Add(MakeItem(engine, rootName, keyPath, std::wstring(name.data(), nameLength), std::move(commandLine), type));
    }
}

bool ManagedRoot(const CRegEngine& engine, const StartupItem& item, HKEY& root)
{
    if (!pure::IsManagedRunKey(item.rootName, item.keyPath, engine.Is64BitWindows())) return false;
    root = CRegEngine::LookupRoot(item.rootName);
    return root != nullptr;
}

}  // namespace

REGSAM RunKeyView(const CRegEngine& engine)
{
    return engine.Is64BitWindows() ? KEY_WOW64_64KEY : 0;
}

void AppendRunKeyItems(const CRegEngine& engine, PtrArray<StartupItem>& out)
{
    for (const pure::RunKey& key : pure::kRunKeys) {
        AppendKey(engine, key.rootName, key.keyPath, out);
        if (engine.Is64BitWindows() && pure::HasWow64Twin(key))
            AppendKey(engine, key.rootName, pure::Wow64TwinPath(key), out);
    }
}

DeleteResult DeleteRunValue(const CRegEngine& engine, const StartupItem& item)
{
    HKEY root = nullptr;
    if (!ManagedRoot(engine, item, root)) return DeleteResult::kFailed;
    UniqueHKey key;
    LONG rc = RegOpenKeyExW(root, item.keyPath.c_str(), 0, KEY_SET_VALUE | RunKeyView(engine), key.put());
    if (rc == ERROR_SUCCESS) rc = RegDeleteValueW(key.get(), item.valueName.c_str());
    if (rc == ERROR_SUCCESS) return DeleteResult::kDeleted;
    return rc == ERROR_FILE_NOT_FOUND ? DeleteResult::kNotFound : DeleteResult::kFailed;
}

bool WriteRunValue(const CRegEngine& engine, const StartupItem& item)
{
    HKEY root = nullptr;
    if (!ManagedRoot(engine, item, root)) return false;
    DWORD type = item.valueType == REG_EXPAND_SZ ? REG_EXPAND_SZ : REG_SZ;
    UniqueHKey key;
    if (RegCreateKeyExW(root, item.keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE | RunKeyView(engine), nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), item.valueName.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(item.commandLine.c_str()),
                          static_cast<DWORD>((item.commandLine.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

ReadResult ReadRunValue(const CRegEngine& engine, const StartupItem& item, std::wstring& text, DWORD& type)
{
    HKEY root = nullptr;
    if (!ManagedRoot(engine, item, root)) return ReadResult::kFailed;
    UniqueHKey key;
    LONG rc = RegOpenKeyExW(root, item.keyPath.c_str(), 0, KEY_QUERY_VALUE | RunKeyView(engine), key.put());
    if (rc == ERROR_FILE_NOT_FOUND) return ReadResult::kAbsent;
    if (rc != ERROR_SUCCESS) return ReadResult::kFailed;
    DWORD size = 0;
    rc = RegQueryValueExW(key.get(), item.valueName.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return ReadResult::kAbsent;
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return ReadResult::kFailed;
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    rc = RegQueryValueExW(key.get(), item.valueName.c_str(), nullptr, &type, data.data(), &size);
    if (rc != ERROR_SUCCESS) return ReadResult::kFailed;
    const wchar_t* chars = reinterpret_cast<const wchar_t*>(data.data());
    text.assign(chars, wcsnlen(chars, size / sizeof(wchar_t)));
    return ReadResult::kPresent;
}

}  // namespace startup
