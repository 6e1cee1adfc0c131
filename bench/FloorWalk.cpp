#include "FloorWalk.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "ShellLinks.h"

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

bool Exists(const std::wstring& path, FloorCounts& c)
{
    WIN32_FIND_DATAW fd;
    ++c.findFirstFile;
    HANDLE h = FindFirstFileW(path.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

void WalkValues(HKEY key, Buffers& b, FloorCounts& c)
{
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(b.name.size());
        DWORD bytes = static_cast<DWORD>(b.data.size() * sizeof(wchar_t));
        DWORD type = 0;
        ++c.regEnumValue;
        LONG rc = RegEnumValueW(key, i, b.name.data(), &len, nullptr, &type,
                                reinterpret_cast<BYTE*>(b.data.data()), &bytes);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) break;
        ++c.values;
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        ++c.items;
        if (!ExtractPath(b.data.data(), bytes / sizeof(wchar_t), b.path)) continue;
        ++c.paths;
        if (!Exists(b.path, c)) ++c.missing;
    }
}

// Depth first, each key opened below its parent's handle: the cheapest way
// to visit every key.
void WalkTree(HKEY parent, const std::wstring& name, REGSAM view, Buffers& b, FloorCounts& c)
{
    HKEY key = nullptr;
    ++c.regOpenKeyEx;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    ++c.keys;
    WalkValues(key, b, c);
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(b.name.size());
        ++c.regEnumKeyEx;
        if (RegEnumKeyExW(key, i, b.name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(b.name.data(), len);
    }
    for (const std::wstring& child : children) WalkTree(key, child, view, b, c);
    RegCloseKey(key);
}

// ---- The full floor ----

constexpr DWORD kSubKeyNameCapacity = 260;

enum class Scope { Clsid, TypeLib, Interface, AppId, AppPaths, FileExts, FileAssoc, All, Sound, OwnKey };
enum class Views { Both, One, BothUnlessClassesRoot, BothUnlessCurrentUser };
// What a value's test looks at: the path in its data, none, the path in its
// name, the help file (folder in the data, file in the name), or a font file
// (a bare name lives in the fonts folder).
enum class Test { DataPath, None, NamePath, HelpFile, FontFile };

constexpr unsigned Bit(DWORD type) { return 1u << type; }
constexpr unsigned kStrings = Bit(REG_SZ) | Bit(REG_EXPAND_SZ);
constexpr unsigned kTextAndBinary = Bit(REG_SZ) | Bit(REG_BINARY);

struct Entry {
    HKEY root;
    const wchar_t* path;
    Scope scope;
    Test test = Test::DataPath;
};

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; }

bool Contains(const wchar_t* upper, const wchar_t* part)
{
    return std::wstring_view(upper).find(part) != std::wstring_view::npos;
}

bool ContainsAny(const wchar_t* upper, std::initializer_list<const wchar_t*> parts)
{
    for (const wchar_t* p : parts)
        if (Contains(upper, p)) return true;
    return false;
}

bool IsGuidName(const wchar_t* name, DWORD len) { return len == 38 && name[0] == L'{' && name[37] == L'}'; }

// The subkeys the scan enters, by the name in upper case and the depth the
// subkey would have (the entry's own key is 0).
bool Enters(Scope scope, const wchar_t* upper, DWORD len, int d)
{
    switch (scope) {
    case Scope::Clsid:
        if (d == 1) return true;
        return d == 2 && ContainsAny(upper, {L"PROGID", L"INPROCSERVER32", L"TYPELIB", L"LOCALSERVER32",
                                             L"INPROCHANDLER", L"DEFAULTICON", L"PERSISTENTHANDLER", L"TREATAS",
                                             L"TOOLBOXBITMAP32"});
    case Scope::TypeLib:
        if (d == 1 || d == 2) return true;
        if (d == 3) return !Contains(upper, L"FLAGS");
        return d == 4 && Contains(upper, L"WIN32");
    case Scope::Interface:
        if (d == 1) return true;
        return d == 2 && ContainsAny(upper, {L"PROXYSTUBCLSID", L"TYPELIB"});
    case Scope::AppId: return d == 1 && !IsGuidName(upper, len);
    case Scope::AppPaths: return d == 1;
    case Scope::FileExts: return d == 1 || d == 2;
    case Scope::FileAssoc:
        if (d == 1) {
            for (const wchar_t* n : {L"CLSID", L"INTERFACE", L"TYPELIB", L"APPID", L"INSTALLER", L"WOW6432NODE"})
                if (std::wstring_view(upper) == n) return false;
            return true;
        }
        if (d == 2)
            return ContainsAny(upper, {L"OPENWITHPROGIDS", L"PERSISTENTHANDLER", L"SHELLEX", L"DEFAULTICON",
                                       L"SHELL", L"CLSID", L"CURVER"});
        return true;
    case Scope::All: return true;
    case Scope::Sound:
        if (d == 1) return !Contains(upper, L"EVENTLABELS");
        if (d == 2) return !Contains(upper, L"NAMES");
        return true;
    case Scope::OwnKey: return false;
    }
    return false;
}

// The drive path a value names, cut where the scan's path pattern ends
// (quote, slash, semicolon, colon, ...) or at a comma, without trailing
// spaces and backslashes.
constexpr std::wstring_view kPathEnd = L"/;:?\"><*',";

bool FindPath(const wchar_t* text, size_t n, std::wstring& path)
{
    for (size_t i = 0; i + 3 < n && text[i]; ++i) {
        const wchar_t c = Upper(text[i]);
        if (c < L'A' || c > L'Z' || text[i + 1] != L':' || text[i + 2] != L'\\') continue;
        size_t end = i + 2;
        while (end < n && text[end] && kPathEnd.find(text[end]) == std::wstring_view::npos) ++end;
        path.assign(text + i, end - i);
        while (path.size() > 3 && (path.back() == L' ' || path.back() == L'\\')) path.pop_back();
        return path.size() > 3;
    }
    return false;
}

class FullFloor {
public:
    FullFloor()
    {
        wchar_t w[MAX_PATH] = {};
        UINT n = GetWindowsDirectoryW(w, MAX_PATH);
        fonts_ = std::wstring(w, n < MAX_PATH ? n : 0) + L"\\Fonts\\";
#ifdef _WIN64
        is64BitWindows_ = true;
#else
        BOOL wow = FALSE;
        is64BitWindows_ = IsWow64Process(GetCurrentProcess(), &wow) && wow;
#endif
    }

    void Registry(const Entry& e, Views views, unsigned types, FloorCounts& c)
    {
        types_ = types;
        if (!is64BitWindows_) {
            Walk(e, KEY_WOW64_32KEY, c);
            return;
        }
        bool both = views == Views::Both || (views == Views::BothUnlessClassesRoot && e.root != HKEY_CLASSES_ROOT) ||
                    (views == Views::BothUnlessCurrentUser && e.root != HKEY_CURRENT_USER);
        // A key both views share is read once, as the scan does.
        if (both && SameInBothViews(e, c)) both = false;
        Walk(e, KEY_WOW64_64KEY, c);
        if (both) Walk(e, KEY_WOW64_32KEY, c);
    }

    void ShortcutFolder(const wchar_t* setting, FloorCounts& c)
    {
        wchar_t expanded[1024] = {};
        DWORD n = ExpandEnvironmentStringsW(setting, expanded, 1024);
        if (n == 0 || n > 1024) return;
        std::wstring folder(expanded);
        const size_t slash = folder.rfind(L'\\');
        if (slash != std::wstring::npos) folder.resize(slash);
        Folder(folder, c);
    }

private:
    void Walk(const Entry& e, REGSAM view, FloorCounts& c)
    {
        HKEY key = nullptr;
        ++c.regOpenKeyEx;
        if (RegOpenKeyExW(e.root, e.path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
        Tree(e, key, 0, view, c);
        RegCloseKey(key);
    }

    bool SameInBothViews(const Entry& e, FloorCounts& c)
    {
        static const auto query = reinterpret_cast<LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*)>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
        if (!query) return false;
        std::wstring names[2];
        for (int v = 0; v < 2; ++v) {
            HKEY key = nullptr;
            ++c.regOpenKeyEx;
            if (RegOpenKeyExW(e.root, e.path, 0, KEY_QUERY_VALUE | (v ? KEY_WOW64_32KEY : KEY_WOW64_64KEY), &key) !=
                ERROR_SUCCESS)
                return false;
            ULONG buffer[1024] = {};
            ULONG needed = 0;
            if (query(key, 3 /* KeyNameInformation */, buffer, sizeof buffer, &needed) >= 0 &&
                buffer[0] <= sizeof buffer - sizeof(ULONG))
                names[v].assign(reinterpret_cast<const wchar_t*>(buffer + 1), buffer[0] / sizeof(wchar_t));
            RegCloseKey(key);
        }
        return !names[0].empty() && CompareStringOrdinal(names[0].c_str(), -1, names[1].c_str(), -1, TRUE) == CSTR_EQUAL;
    }

    // One opened key: its values, then the subkeys the scan enters, each
    // opened below this key's handle.
    void Tree(const Entry& e, HKEY key, int depth, REGSAM view, FloorCounts& c)
    {
        ++c.keys;
        DWORD subKeys = 0, values = 0;
        ++c.regQueryInfoKey;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
            return;
        for (DWORD i = 0; i < values; ++i) Value(e, key, i, c);
        if (e.scope == Scope::OwnKey) return;
        wchar_t name[kSubKeyNameCapacity];
        wchar_t upper[kSubKeyNameCapacity];
        for (DWORD i = 0; i < subKeys; ++i) {
            DWORD len = kSubKeyNameCapacity;
            ++c.regEnumKeyEx;
            if (RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
            for (DWORD k = 0; k <= len; ++k) upper[k] = Upper(name[k]);
            if (!Enters(e.scope, upper, len, depth + 1)) continue;
            HKEY child = nullptr;
            ++c.regOpenKeyEx;
            if (RegOpenKeyExW(key, name, 0, KEY_READ | view, &child) != ERROR_SUCCESS) continue;
            Tree(e, child, depth + 1, view, c);
            RegCloseKey(child);
        }
    }

    void Value(const Entry& e, HKEY key, DWORD index, FloorCounts& c)
    {
        DWORD nameLength = static_cast<DWORD>(b_.name.size());
        DWORD bytes = static_cast<DWORD>(b_.data.size() * sizeof(wchar_t));
        DWORD type = REG_NONE;
        ++c.regEnumValue;
        if (RegEnumValueW(key, index, b_.name.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(b_.data.data()), &bytes) != ERROR_SUCCESS)
            return;
        ++c.values;
        if (type >= 32 || !(types_ & Bit(type))) return;
        ++c.items;
        const wchar_t* name = b_.name.data();
        const wchar_t* data = b_.data.data();
        const size_t chars = bytes / sizeof(wchar_t);
        bool found = false;
        switch (e.test) {
        case Test::None: return;
        case Test::DataPath: found = FindPath(data, chars, b_.path); break;
        case Test::NamePath: found = FindPath(name, nameLength, b_.path); break;
        case Test::HelpFile:
            found = FindPath(data, chars, b_.path);
            if (found) b_.path.append(L"\\").append(nameLength ? name : L"(Default)");
            break;
        case Test::FontFile:
            found = FindPath(data, chars, b_.path);
            if (!found && chars > 0 && data[0]) {
                b_.path = fonts_ + std::wstring(data, wcsnlen(data, chars));
                found = true;
            }
            break;
        }
        if (!found) return;
        ++c.paths;
        if (!Exists(b_.path, c)) ++c.missing;
    }

    // The shortcut folders: FindFirstFileW/FindNextFileW over each folder,
    // the folders the scan enters, and one load and one existence test per
    // shortcut file.
    void Folder(const std::wstring& folder, FloorCounts& c)
    {
        WIN32_FIND_DATAW found{};
        ++c.findFirstFile;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring full = folder + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (found.cFileName[0] == L'.' || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                    full.size() >= MAX_PATH)
                    continue;
                std::wstring upper(full);
                for (wchar_t& ch : upper) ch = Upper(ch);
                if (ContainsAny(upper.c_str(),
                                {L"LOCAL SETTINGS", L"COOKIES", L"NETHOOD", L"PRINTHOOD", L"SENDTO", L"TEMPLATES"}))
                    continue;
                Folder(full, c);
                continue;
            }
            ++c.items;
            const size_t n = full.size();
            if (n >= MAX_PATH || n < 4 || CompareStringOrdinal(full.c_str() + n - 4, 4, L".lnk", 4, TRUE) != CSTR_EQUAL)
                continue;
            ++c.shellLinkLoad;
            std::wstring target;
            if (!link_.Target(full, target) || target.empty()) continue;
            ++c.paths;
            if (!Exists(target, c)) ++c.missing;
        } while (++c.findNextFile, FindNextFileW(search, &found));
        FindClose(search);
    }

    Buffers b_;
    unsigned types_ = kStrings;
    std::wstring fonts_;
    bool is64BitWindows_ = true;
    ShellLinkObject link_;
};

const wchar_t kCv[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
const wchar_t kExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

long long NowMs()
{
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER q;
        QueryPerformanceFrequency(&q);
        return q;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000 / f.QuadPart;
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

FloorCounts WalkFullScan(FloorPart (&parts)[12])
{
    FullFloor floor;
    const std::wstring cv = kCv, ex = kExplorer;
    const std::wstring appPaths = cv + L"App Paths", uninstall = cv + L"Uninstall", folders = cv + L"Installer\\Folders",
                       shared = cv + L"SharedDLLs", run = cv + L"Run", runOnce = cv + L"RunOnce",
                       fileExts = ex + L"FileExts", recent = ex + L"RecentDocs", runMru = ex + L"RunMRU",
                       typedPaths = ex + L"TypedPaths", comDlg = ex + L"ComDlg32", mapMru = ex + L"Map Network Drive MRU";
    struct Part {
        const char* name;
        Views views;
        unsigned types;
        std::vector<Entry> entries;
    };
    // The shipped settings' categories and key entries, in scan order.
    const Part registry[] = {
        {"com", Views::Both, kStrings,
         {{HKEY_CLASSES_ROOT, L"clsid", Scope::Clsid},
          {HKEY_CLASSES_ROOT, L"typelib", Scope::TypeLib},
          {HKEY_CLASSES_ROOT, L"interface", Scope::Interface},
          {HKEY_CLASSES_ROOT, L"appid", Scope::AppId}}},
        {"apppaths", Views::Both, kStrings,
         {{HKEY_LOCAL_MACHINE, appPaths.c_str(), Scope::AppPaths}, {HKEY_CURRENT_USER, appPaths.c_str(), Scope::AppPaths}}},
        {"fileexts", Views::One, kStrings, {{HKEY_CURRENT_USER, fileExts.c_str(), Scope::FileExts}}},
        {"fileassoc", Views::One, kStrings, {{HKEY_CLASSES_ROOT, L"", Scope::FileAssoc}}},
        {"uninstall", Views::BothUnlessClassesRoot, kStrings,
         {{HKEY_LOCAL_MACHINE, uninstall.c_str(), Scope::All},
          {HKEY_CURRENT_USER, uninstall.c_str(), Scope::All},
          {HKEY_LOCAL_MACHINE, folders.c_str(), Scope::All, Test::NamePath},
          {HKEY_CLASSES_ROOT, L"Installer\\Products", Scope::All}}},
        {"fonts", Views::One, kStrings,
         {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", Scope::All, Test::FontFile}}},
        {"shareddlls", Views::Both, Bit(REG_DWORD), {{HKEY_LOCAL_MACHINE, shared.c_str(), Scope::All, Test::NamePath}}},
        {"helpfiles", Views::Both, kStrings,
         {{HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\Help", Scope::All, Test::HelpFile},
          {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\HTML Help", Scope::All, Test::HelpFile}}},
        {"history", Views::One, kTextAndBinary,
         {{HKEY_CURRENT_USER, recent.c_str(), Scope::All, Test::None},
          {HKEY_CURRENT_USER, runMru.c_str(), Scope::All, Test::None},
          {HKEY_CURRENT_USER, typedPaths.c_str(), Scope::All, Test::None},
          {HKEY_CURRENT_USER, comDlg.c_str(), Scope::All, Test::None},
          {HKEY_CURRENT_USER, mapMru.c_str(), Scope::All, Test::None},
          {HKEY_CURRENT_USER, L"Software\\Microsoft\\Internet Explorer\\TypedURLs", Scope::All, Test::None}}},
    };
    const Part afterShortcuts[] = {
        {"sounds", Views::One, kTextAndBinary, {{HKEY_CURRENT_USER, L"AppEvents", Scope::Sound}}},
        {"startup", Views::BothUnlessCurrentUser, kTextAndBinary,
         {{HKEY_LOCAL_MACHINE, run.c_str(), Scope::OwnKey},
          {HKEY_LOCAL_MACHINE, runOnce.c_str(), Scope::OwnKey},
          {HKEY_CURRENT_USER, run.c_str(), Scope::OwnKey},
          {HKEY_CURRENT_USER, runOnce.c_str(), Scope::OwnKey}}},
    };

    FloorCounts total;
    int at = 0;
    auto walkRegistry = [&](const Part& part) {
        FloorPart& p = parts[at++];
        p.name = part.name;
        const long long t0 = NowMs();
        for (const Entry& e : part.entries) floor.Registry(e, part.views, part.types, p.counts);
        p.ms = NowMs() - t0;
        total.Add(p.counts);
    };
    for (const Part& part : registry) walkRegistry(part);
    {
        FloorPart& p = parts[at++];
        p.name = "shortcuts";
        const long long t0 = NowMs();
        for (const wchar_t* setting : {L"%USERPROFILE%\\Desktop\\", L"%USERPROFILE%\\Start Menu\\",
                                       L"%APPDATA%\\Microsoft\\Windows\\Start Menu\\",
                                       L"%APPDATA%\\Microsoft\\Internet Explorer\\Quick Launch\\"})
            floor.ShortcutFolder(setting, p.counts);
        p.ms = NowMs() - t0;
        total.Add(p.counts);
    }
    for (const Part& part : afterShortcuts) walkRegistry(part);
    return total;
}

}  // namespace bench
