// Helpers for the backup, fix and restore tests: problem records made by
// hand, a dump of a key tree for exact comparison, and the backup template.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/RegEngine.h"
#include "scan/ProblemRecord.h"
#include "support/TestEnv.h"

namespace fixture {

// The key root\path in `view` as sorted lines "subpath|name|type|bytes"
// (values) and "subpath\" (keys); empty when the key does not exist. The
// view picks the key; below it each subkey is read as itself (a 32-bit
// process under Wine is otherwise sent into a key's "Wow6432Node" child).
inline void DumpInto(HKEY key, const std::wstring& rel, std::vector<std::wstring>& out)
{
    out.push_back(rel + L"\\");
    DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName, &maxData,
                     nullptr, nullptr);
    for (DWORD i = 0; i < values; ++i) {
        std::vector<wchar_t> name(maxName + 2);
        std::vector<BYTE> data(maxData + 2);
        DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS)
            continue;
        std::wstring line = rel + L"|" + std::wstring(name.data(), nameLen) + L"|" + std::to_wstring(type) + L"|";
        static const wchar_t hex[] = L"0123456789abcdef";
        for (DWORD b = 0; b < dataLen; ++b) {
            line += hex[data[b] >> 4];
            line += hex[data[b] & 15];
        }
        out.push_back(line);
    }
    for (DWORD i = 0; i < subKeys; ++i) {
        std::vector<wchar_t> name(maxSub + 2);
        DWORD len = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
        std::wstring sub(name.data(), len);
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &child) == ERROR_SUCCESS) {
            DumpInto(child, rel + L"\\" + sub, out);
            RegCloseKey(child);
        }
    }
}

inline std::vector<std::wstring> Dump(HKEY root, const std::wstring& path, REGSAM view)
{
    std::vector<std::wstring> out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return out;
    DumpInto(key, L"", out);
    RegCloseKey(key);
    std::sort(out.begin(), out.end());
    return out;
}

inline bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

inline bool ValueExists(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    LONG rc = RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

inline void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
                     DWORD size, REGSAM view)
{
    HKEY key = nullptr;
    RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

// A key tree with values of several types below root\path.
inline void BuildTree(HKEY root, const std::wstring& path, REGSAM view)
{
    const wchar_t sz[] = L"C:\\gone\\tool.exe";
    const wchar_t expand[] = L"%SystemRoot%\\gone.dll";
    const wchar_t multi[] = L"one\0two\0";
    const DWORD dword = 0x12345678;
    const ULONGLONG qword = 0x1122334455667788ULL;
    const BYTE binary[] = {0, 1, 2, 0xFE, 0xFF};
    SetValue(root, path, nullptr, REG_SZ, sz, sizeof sz, view);
    SetValue(root, path, L"default value", REG_SZ, L"real", 10, view);
    SetValue(root, path, L"Expand", REG_EXPAND_SZ, expand, sizeof expand, view);
    SetValue(root, path, L"Multi", REG_MULTI_SZ, multi, sizeof multi, view);
    SetValue(root, path, L"Dword", REG_DWORD, &dword, sizeof dword, view);
    SetValue(root, path, L"Qword", REG_QWORD, &qword, sizeof qword, view);
    SetValue(root, path, L"Binary", REG_BINARY, binary, sizeof binary, view);
    SetValue(root, path, L"Empty", REG_BINARY, nullptr, 0, view);
    // Data as other programs leave it, which a restore must bring back
    // byte for byte: strings without their terminator, of odd length or
    // empty, a list without its final empty string, a type of no meaning.
    // (The system adds a terminator when the character after the data is
    // one, so each buffer goes on past the stored bytes.)
    SetValue(root, path, L"Unterminated", REG_SZ, L"abcd", 6, view);
    SetValue(root, path, L"OddLength", REG_SZ, "a\0b", 3, view);
    SetValue(root, path, L"EmptyString", REG_SZ, nullptr, 0, view);
    SetValue(root, path, L"ExpandUnterminated", REG_EXPAND_SZ, L"%TEMP%x", 12, view);
    SetValue(root, path, L"MultiShort", REG_MULTI_SZ, L"one\0twox", 14, view);
    SetValue(root, path, L"Typeless", REG_NONE, binary, sizeof binary, view);
    SetValue(root, path, L"OwnType", 0x12345, binary, 3, view);
    SetValue(root, path + L"\\Sub\\Deeper", L"Leaf", REG_SZ, sz, sizeof sz, view);
    SetValue(root, path + L"\\Sibling", L"Keep", REG_DWORD, &dword, sizeof dword, view);
}

// A problem as a scanner would record it (display path with "Wow6432Node"
// for a 32-bit view find on 64-bit Windows).
inline void Record(CRegEngine& engine, RegScanCategory& result, XMLElement& category, HKEY root,
                   const std::wstring& keyPath, const std::wstring& value, int view, int fixAction,
                   bool isDefault = false)
{
    scan::ProblemSite site;
    site.root = root;
    site.rootName = CRegEngine::RootName(root);
    site.keyPath = keyPath;
    site.valueName = isDefault ? std::wstring(kDefaultValueLabel) : value;
    site.isDefaultValue = isDefault;
    scan::RecordProblem(engine, &result, site, scan::kFileMissing, category, view, scan::kCommon, fixAction);
}

// Copies the shipped template into the current directory.
inline bool CopyTemplate()
{
    return CopyFileW((testenv::BinDir() + L"\\regbak-templ.xml").c_str(), L"regbak-templ.xml", FALSE) != 0;
}

}  // namespace fixture
