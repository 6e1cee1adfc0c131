// What a problem's fix would remove, measured when the problem was found, in
// the place and view where the fix acts. Plain C++ without windows.h: the
// engine fills it, the program and the console tool show it.
#pragma once

#include <string>

struct FixExtent {
    enum Kind : int { kUnknown = 0, kValue = 1, kKey = 2, kTree = 3, kShortcutFile = 4 };
    int kind = kUnknown;     // kUnknown when the target was not there or could not be read
    unsigned keys = 0;       // kKey, kTree: keys removed, the key itself included
    unsigned values = 0;     // kKey, kTree: values removed; kValue: 1
    int more = 0;            // kTree: 1 when counting stopped at kExtentCountBound
    unsigned valueType = 0;  // kValue: its registry type (REG_SZ, ...)
    unsigned valueSize = 0;  // kValue: its data size in bytes
};

// A key tree is counted up to this many keys and values together.
inline constexpr unsigned kExtentCountBound = 10000;

inline bool operator==(const FixExtent& a, const FixExtent& b)
{
    return a.kind == b.kind && a.keys == b.keys && a.values == b.values && a.more == b.more &&
           a.valueType == b.valueType && a.valueSize == b.valueSize;
}
inline bool operator!=(const FixExtent& a, const FixExtent& b) { return !(a == b); }

// "1 value", "key, 3 values", "tree: 12 keys, 40 values", "tree: more than
// 10000 keys and values", "shortcut file"; empty when unknown.
inline std::wstring DescribeFixExtent(const FixExtent& e)
{
    auto count = [](unsigned n, const wchar_t* one, const wchar_t* many) {
        return std::to_wstring(n) + L" " + (n == 1 ? one : many);
    };
    switch (e.kind) {
    case FixExtent::kValue: return L"1 value";
    case FixExtent::kKey: return L"key, " + count(e.values, L"value", L"values");
    case FixExtent::kTree:
        if (e.more) return L"tree: more than " + std::to_wstring(kExtentCountBound) + L" keys and values";
        return L"tree: " + count(e.keys, L"key", L"keys") + L", " + count(e.values, L"value", L"values");
    case FixExtent::kShortcutFile: return L"shortcut file";
    default: return L"";
    }
}
