#include "FloorWalk.h"

#include <windows.h>

#include <string>
#include <vector>

namespace bench {
namespace {

// The text from a drive letter up to a quote or comma: enough to find the
// file a value names.
bool ExtractPath(const wchar_t* data, size_t n, std::wstring& path)
{
    for (size_t i = 1; i + 1 < n; ++i) {
        if (data[i] != L':' || data[i + 1] != L'\\') continue;
        size_t end = i + 1;
        while (end < n && data[end] && data[end] != L'"' && data[end] != L',') ++end;
        path.assign(data + i - 1, end - (i - 1));
        while (!path.empty() && path.back() == L' ') path.pop_back();
        return true;
    }
    return false;
}

struct Buffers {
    std::vector<wchar_t> name = std::vector<wchar_t>(16384);
    std::vector<wchar_t> data = std::vector<wchar_t>(32768);
    std::wstring path;
};

void WalkValues(HKEY key, Buffers& b, FloorCounts& c)
{
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(b.name.size());
        DWORD bytes = static_cast<DWORD>(b.data.size() * sizeof(wchar_t));
        DWORD type = 0;
        LONG rc = RegEnumValueW(key, i, b.name.data(), &len, nullptr, &type,
                                reinterpret_cast<BYTE*>(b.data.data()), &bytes);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        ++c.values;
        if ((type != REG_SZ && type != REG_EXPAND_SZ) ||
            !ExtractPath(b.data.data(), bytes / sizeof(wchar_t), b.path))
            continue;
        ++c.paths;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(b.path.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            ++c.missing;
        else
            FindClose(h);
    }
}

// Depth first, each key opened below its parent's handle: the cheapest way
// to visit every key.
void WalkTree(HKEY parent, const std::wstring& name, REGSAM view, Buffers& b, FloorCounts& c)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    ++c.keys;
    WalkValues(key, b, c);
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(b.name.size());
        if (RegEnumKeyExW(key, i, b.name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(b.name.data(), len);
    }
    for (const std::wstring& child : children) WalkTree(key, child, view, b, c);
    RegCloseKey(key);
}

}  // namespace

FloorCounts WalkComRoots()
{
    FloorCounts c;
    Buffers b;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        for (const wchar_t* sub : {L"CLSID", L"TypeLib", L"Interface", L"AppID"})
            WalkTree(HKEY_CLASSES_ROOT, sub, view, b, c);
    return c;
}

}  // namespace bench
