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

}  // namespace pure
