#include "pure/BackupNames.h"

#include "pure/TextRules.h"

namespace pure {
namespace {

void AppendDigits(std::wstring& out, int value, int width)
{
    std::wstring digits(static_cast<size_t>(width), L'0');
    for (int i = width - 1; i >= 0; --i) {
        digits[static_cast<size_t>(i)] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    }
    out += digits;
}

bool EndsWith(std::wstring_view s, std::wstring_view tail)
{
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

std::wstring MakeStamp(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::wstring();
    std::wstring s;
    AppendDigits(s, year, 4);
    AppendDigits(s, month, 2);
    AppendDigits(s, day, 2);
    AppendDigits(s, hour, 2);
    AppendDigits(s, minute, 2);
    AppendDigits(s, second, 2);
    return s;
}

std::wstring BaseName(std::wstring_view stamp, bool partial)
{
    std::wstring s(stamp);
    s += partial ? L"-p" : L"-f";
    return s;
}

int ListedKind(std::wstring_view fileName)
{
    if (fileName.size() < 8 || !EndsWith(fileName, kIndexExtension)) return -1;
    wchar_t kind = fileName[fileName.size() - 8];
    if (kind == L'f') return 0;
    if (kind == L'p') return 1;
    return -1;
}

bool IsValidBackupName(std::wstring_view name)
{
    if (name.size() != kBackupNameLength || !EndsWith(name, kIndexExtension)) return false;
    for (size_t i = 0; i < 14; ++i)
        if (name[i] < L'0' || name[i] > L'9') return false;
    return name[14] == L'-' && (name[15] == L'f' || name[15] == L'p');
}

bool IsSafeHiveFileName(std::wstring_view name)
{
    constexpr size_t kLetters = 4, kMaxDigits = 10, kExtension = 7;
    if (name.size() < kLetters + 1 + kExtension || name.size() > kLetters + kMaxDigits + kExtension) return false;
    if (!EndsWith(name, kHiveExtension)) return false;
    for (size_t i = 0; i < kLetters; ++i) {
        const wchar_t c = name[i];
        if (!((c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'))) return false;
    }
    for (size_t i = kLetters; i < name.size() - kExtension; ++i)
        if (name[i] < L'0' || name[i] > L'9') return false;
    return true;
}

std::wstring HiveFileName(const uint32_t (&random)[4], uint32_t tickCount)
{
    static const wchar_t kAlphabet[] = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::wstring s;
    for (uint32_t r : random) s += kAlphabet[r % 62];
    s += std::to_wstring(tickCount);
    s += kHiveExtension;
    return s;
}

bool IsStoredShortcutName(std::wstring_view name)
{
    constexpr std::wstring_view kTail = L".lnk";
    if (name.size() < 6 || name.size() > 15 || name[0] != L'S' || !EndsWith(name, kTail)) return false;
    for (size_t i = 1; i < name.size() - kTail.size(); ++i)
        if (name[i] < L'0' || name[i] > L'9') return false;
    return true;
}

bool IsRestorableShortcutPath(std::wstring_view path)
{
    if (path.size() < 8 || path.size() > 32767) return false;
    const wchar_t drive = path[0];
    if (!((drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z')) || path[1] != L':' ||
        path[2] != L'\\')
        return false;
    if (!EqualsNoCase(path.substr(path.size() - 4), L".lnk")) return false;
    if (path.find_first_of(L"/:*?\"<>|", 2) != std::wstring_view::npos) return false;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos) end = path.size();
        const std::wstring_view part = path.substr(start, end - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        start = end + 1;
    }
    return true;
}

bool IsFixedRootName(std::wstring_view name)
{
    return name == L"HKEY_CLASSES_ROOT" || name == L"HKEY_CURRENT_USER" || name == L"HKEY_LOCAL_MACHINE" ||
           name == L"HKEY_USERS" || name == L"HKEY_CURRENT_CONFIG";
}

bool CoversKey(std::wstring_view saved, std::wstring_view key)
{
    if (saved.size() > key.size()) return false;
    if (!EqualsNoCase(saved, key.substr(0, saved.size()))) return false;
    if (saved.size() == key.size()) return true;
    return key[saved.size()] == L'\\' || (!saved.empty() && saved.back() == L'\\');
}

void SplitKeyPath(std::wstring_view path, std::wstring& parent, std::wstring& name)
{
    size_t slash = path.rfind(L'\\');
    if (slash == std::wstring_view::npos) {
        parent.clear();
        name.assign(path);
        return;
    }
    parent.assign(path.substr(0, slash));
    name.assign(path.substr(slash + 1));
}

bool IsUsableKeyPath(std::wstring_view path)
{
    if (path.empty() || path.size() > 32767) return false;
    size_t start = 0;
    while (true) {
        size_t slash = path.find(L'\\', start);
        size_t len = (slash == std::wstring_view::npos ? path.size() : slash) - start;
        if (len == 0 || len > 255) return false;
        if (slash == std::wstring_view::npos) return true;
        start = slash + 1;
    }
}

}  // namespace pure
