#include "FloorWalk.h"

#include <windows.h>

#include <deque>
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

void WalkTree(HKEY root, const std::wstring& start, REGSAM view, FloorCounts& c)
{
    std::deque<std::wstring> queue{start};
    std::vector<wchar_t> name(16384), data(32768);
    std::wstring path;
    while (!queue.empty()) {
        std::wstring keyPath = std::move(queue.front());
        queue.pop_front();
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
        ++c.keys;
        for (DWORD i = 0;; ++i) {
            DWORD len = static_cast<DWORD>(name.size());
            if (RegEnumKeyExW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            queue.push_back(keyPath + L"\\" + std::wstring(name.data(), len));
        }
        for (DWORD i = 0;; ++i) {
            DWORD len = static_cast<DWORD>(name.size());
            DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
            DWORD type = 0;
            LONG rc = RegEnumValueW(key, i, name.data(), &len, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                    &bytes);
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) break;
            ++c.values;
            if ((type != REG_SZ && type != REG_EXPAND_SZ) ||
                !ExtractPath(data.data(), bytes / sizeof(wchar_t), path))
                continue;
            ++c.paths;
            WIN32_FIND_DATAW fd;
            HANDLE h = FindFirstFileW(path.c_str(), &fd);
            if (h == INVALID_HANDLE_VALUE)
                ++c.missing;
            else
                FindClose(h);
        }
        RegCloseKey(key);
    }
}

}  // namespace

FloorCounts WalkComRoots()
{
    FloorCounts c;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        for (const wchar_t* sub : {L"CLSID", L"TypeLib", L"Interface", L"AppID"})
            WalkTree(HKEY_CLASSES_ROOT, sub, view, c);
    return c;
}

}  // namespace bench
