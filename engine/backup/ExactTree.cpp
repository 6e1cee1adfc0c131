#include "backup/ExactTree.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/Handles.h"

namespace backup {
namespace {

constexpr wchar_t kLinkValue[] = L"SymbolicLinkValue";

// The target a link key points at (its REG_LINK value); empty for an
// ordinary key. Wine keeps such keys inside the class root (the 32-bit
// view's AppID, TypeLib, ...), and following one would reach the key it
// names.
std::wstring LinkTarget(HKEY key)
{
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key, kLinkValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_LINK ||
        size == 0)
        return std::wstring();
    std::wstring target(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, kLinkValue, nullptr, &type, reinterpret_cast<BYTE*>(target.data()), &size) !=
        ERROR_SUCCESS)
        return std::wstring();
    target.resize(size / sizeof(wchar_t));
    while (!target.empty() && target.back() == L'\0') target.pop_back();
    return target;
}

// A subkey opened as itself: a link key is not followed.
LONG OpenUnfollowed(HKEY parent, const std::wstring& name, REGSAM access, UniqueHKey& out)
{
    LONG rc = RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, access | kExactKey, out.put());
    if (rc != ERROR_SUCCESS) out.release();
    return rc;
}

// Deletes the key behind an open handle (a link key itself, not its target).
LONG DeleteOpenKey(HKEY key)
{
    using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
    static const NtDeleteKeyFn deleteKey = reinterpret_cast<NtDeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
    if (!deleteKey) return ERROR_PROC_NOT_FOUND;
    return deleteKey(key) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// The names of a key's values (`values`) or subkeys, sorted.
LONG NamesOf(HKEY key, bool values, std::vector<std::wstring>& out)
{
    DWORD subKeys = 0, maxSubKey = 0, valueCount = 0, maxValueName = 0;
    LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &valueCount,
                               &maxValueName, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<wchar_t> name((values ? maxValueName : maxSubKey) + 2);
    const DWORD count = values ? valueCount : subKeys;
    out.clear();
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        rc = values ? RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr)
                    : RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) return rc;
        out.emplace_back(name.data(), length);
    }
    std::sort(out.begin(), out.end());
    return ERROR_SUCCESS;
}

// Exact: a name that differs only in case is another name here, so the
// restore brings back the case that was saved.
bool Holds(const std::vector<std::wstring>& sorted, const std::wstring& name)
{
    return std::binary_search(sorted.begin(), sorted.end(), name);
}

// Removes every value and subkey of `key`, depth first; a link key below it
// is removed as a link and never followed, so the key it names stays.
LONG EmptyKey(HKEY key)
{
    std::vector<std::wstring> names;
    LONG rc = NamesOf(key, true, names);
    if (rc != ERROR_SUCCESS) return rc;
    for (const std::wstring& value : names)
        if ((rc = RegDeleteValueW(key, value.c_str())) != ERROR_SUCCESS) return rc;
    if ((rc = NamesOf(key, false, names)) != ERROR_SUCCESS) return rc;
    for (const std::wstring& name : names) {
        UniqueHKey sub;
        if ((rc = OpenUnfollowed(key, name, KEY_ALL_ACCESS, sub)) != ERROR_SUCCESS) return rc;
        if (LinkTarget(sub.get()).empty() && (rc = EmptyKey(sub.get())) != ERROR_SUCCESS) return rc;
        if ((rc = DeleteOpenKey(sub.get())) != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// Makes `name` below `to` a link to `target`, as the saved key was.
LONG CreateLink(HKEY to, const std::wstring& name, const std::wstring& target)
{
    UniqueHKey link;
    LONG rc = RegCreateKeyExW(to, name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | kExactKey,
                              nullptr, link.put(), nullptr);
    if (rc != ERROR_SUCCESS) {
        link.release();
        return rc;
    }
    return RegSetValueExW(link.get(), kLinkValue, 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                          static_cast<DWORD>(target.size() * sizeof(wchar_t)));
}

// Writes every value of `from` into `to` with exactly its stored bytes.
// RegCopyTreeW is not exact: the value writer adds a terminator to a string
// whose data ends without one when the character after it in the buffer is
// a null, so "abc" stored in 6 bytes came back in 8. Here the buffer goes on
// with a non-null sentinel past the data.
LONG CopyValues(HKEY from, HKEY to)
{
    DWORD values = 0, maxValueName = 0, maxData = 0;
    LONG rc = RegQueryInfoKeyW(from, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &maxValueName,
                               &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<wchar_t> name(maxValueName + 2);
    std::vector<BYTE> data(maxData + 4);
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size() - 4);
        DWORD type = REG_NONE;
        rc = RegEnumValueW(from, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (rc != ERROR_SUCCESS) return rc;
        for (DWORD b = size; b < size + 4; ++b) data[b] = 0xFF;
        rc = RegSetValueExW(to, name.data(), 0, type, size ? data.data() : nullptr, size);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

// Removes the values of `to` that `from` does not have, then writes those of
// `from`.
LONG MakeValuesEqual(HKEY from, HKEY to)
{
    std::vector<std::wstring> saved, present;
    LONG rc = NamesOf(from, true, saved);
    if (rc == ERROR_SUCCESS) rc = NamesOf(to, true, present);
    if (rc != ERROR_SUCCESS) return rc;
    for (const std::wstring& value : present)
        if (!Holds(saved, value) && (rc = RegDeleteValueW(to, value.c_str())) != ERROR_SUCCESS) return rc;
    return CopyValues(from, to);
}

}  // namespace

LONG MakeTreeEqual(HKEY from, HKEY to)
{
    LONG rc = MakeValuesEqual(from, to);
    std::vector<std::wstring> saved, present, kept;
    if (rc == ERROR_SUCCESS) rc = NamesOf(from, false, saved);
    if (rc == ERROR_SUCCESS) rc = NamesOf(to, false, present);
    if (rc != ERROR_SUCCESS) return rc;

    // A subkey of `to` stays when `from` has one of the same name and kind
    // (both ordinary, or both links to the same key); the rest go.
    for (const std::wstring& name : present) {
        UniqueHKey existing;
        if ((rc = OpenUnfollowed(to, name, KEY_ALL_ACCESS, existing)) != ERROR_SUCCESS) return rc;
        const std::wstring existingLink = LinkTarget(existing.get());
        if (Holds(saved, name)) {
            UniqueHKey source;
            if ((rc = OpenUnfollowed(from, name, KEY_READ, source)) != ERROR_SUCCESS) return rc;
            if (LinkTarget(source.get()) == existingLink) {
                kept.push_back(name);
                continue;
            }
        }
        if (existingLink.empty() && (rc = EmptyKey(existing.get())) != ERROR_SUCCESS) return rc;
        if ((rc = DeleteOpenKey(existing.get())) != ERROR_SUCCESS) return rc;
    }
    std::sort(kept.begin(), kept.end());

    for (const std::wstring& name : saved) {
        UniqueHKey source, target;
        if ((rc = OpenUnfollowed(from, name, KEY_READ, source)) != ERROR_SUCCESS) return rc;
        const std::wstring link = LinkTarget(source.get());
        if (!link.empty()) {
            if (!Holds(kept, name) && (rc = CreateLink(to, name, link)) != ERROR_SUCCESS) return rc;
            continue;
        }
        rc = RegCreateKeyExW(to, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kExactKey, nullptr, target.put(),
                             nullptr);
        if (rc != ERROR_SUCCESS) {
            target.release();
            return rc;
        }
        if ((rc = MakeTreeEqual(source.get(), target.get())) != ERROR_SUCCESS) return rc;
    }
    return ERROR_SUCCESS;
}

}  // namespace backup
