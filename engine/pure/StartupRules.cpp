#include "pure/StartupRules.h"

#include "pure/TextRules.h"

namespace pure {

bool HasWow64Twin(const RunKey& key)
{
    return std::wstring_view(key.rootName) == L"HKEY_LOCAL_MACHINE";
}

std::wstring Wow64TwinPath(const RunKey& key)
{
    return InsertWow6432Node(key.keyPath);
}

bool IsManagedRunKey(std::wstring_view rootName, std::wstring_view keyPath, bool is64BitWindows)
{
    for (const RunKey& key : kRunKeys) {
        if (rootName != key.rootName) continue;
        if (EqualsNoCase(keyPath, key.keyPath)) return true;
        if (is64BitWindows && HasWow64Twin(key) && EqualsNoCase(keyPath, Wow64TwinPath(key))) return true;
    }
    return false;
}

std::wstring StartupFilePath(std::wstring_view commandLine)
{
    static constexpr std::wstring_view kExtensions[] = {L".exe", L".EXE", L".DLL", L".dll"};
    size_t found = std::wstring_view::npos;
    size_t length = 0;
    for (std::wstring_view ext : kExtensions) {
        found = commandLine.find(ext);
        if (found != std::wstring_view::npos) {
            length = ext.size();
            break;
        }
    }
    if (found == std::wstring_view::npos) return std::wstring(commandLine);
    size_t end = found + length;
    if (end == commandLine.size()) return std::wstring(commandLine);
    size_t begin = 0;
    if (commandLine[end] == L'"' && commandLine.front() == L'"') begin = 1;
    return std::wstring(commandLine.substr(begin, end - begin));
}

std::wstring StartupDescription(std::wstring_view product, std::wstring_view fileDescription,
                                std::wstring_view typeName)
{
    std::wstring out(product);
    out += L" | ";
    out += fileDescription.empty() ? product : fileDescription;
    out += L" | ";
    out += typeName;
    return out;
}

std::wstring ValueTypeText(unsigned long type)
{
    return type == kTypeExpandSz ? L"2" : L"1";
}

unsigned long ParseValueType(std::wstring_view text)
{
    return text == L"2" ? kTypeExpandSz : kTypeSz;
}

std::wstring ApprovedKeyPath(std::wstring_view rootName, std::wstring_view keyPath, bool is64BitWindows)
{
    const RunKey& run = kRunKeys[0];  // the per-user Run key; the machine's has the same path
    std::wstring parent(kApprovedParent);
    if (rootName != L"HKEY_CURRENT_USER" && rootName != L"HKEY_LOCAL_MACHINE") return std::wstring();
    if (EqualsNoCase(keyPath, run.keyPath)) return parent + L"\\Run";
    if (rootName == L"HKEY_LOCAL_MACHINE" && is64BitWindows && EqualsNoCase(keyPath, InsertWow6432Node(run.keyPath)))
        return parent + L"\\Run32";
    return std::wstring();
}

ApprovedState ReadApprovedState(unsigned long type, const uint8_t* data, size_t size)
{
    if (type != kTypeBinary || size != kApprovedSize || !data) return ApprovedState::Unknown;
    switch (data[0]) {
    case 2:
    case 6:
        return ApprovedState::Enabled;
    case 3:
    case 7:
        return ApprovedState::Disabled;
    default:
        return ApprovedState::Unknown;
    }
}

std::vector<uint8_t> EnabledApprovedValue(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out(kApprovedSize, 0);
    for (size_t i = 0; i < 4 && i < size && data; ++i) out[i] = data[i];
    out[0] = static_cast<uint8_t>(out[0] & ~1u);
    return out;
}

}  // namespace pure
