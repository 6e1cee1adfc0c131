// The load-and-copy restore over a tree that changed since its hive was
// saved: afterwards the tree, read key by key as it is, equals the saved
// one, in either registry view, and the keys both held are still the same
// keys.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "backup/HiveRestore.h"
#include "backup/Privileges.h"
#include "core/KeyNames.h"
#include "engine/backup/RegistryFixture.h"
#include "support/TestEnv.h"

namespace {

// Each name opened as itself: the fixture must be built exactly as written,
// or a 32-bit process would put a key meant beside a "Wow6432Node" inside it.
constexpr REGSAM kExact = KEY_WOW64_64KEY;

HKEY CreatePath(HKEY base, const std::wstring& path)
{
    HKEY key = nullptr;
    RegOpenKeyExW(base, nullptr, 0, KEY_ALL_ACCESS | kExact, &key);
    for (size_t from = 0; key && from < path.size();) {
        const size_t end = std::min(path.find(L'\\', from), path.size());
        HKEY next = nullptr;
        RegCreateKeyExW(key, path.substr(from, end - from).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | kExact, nullptr,
                        &next, nullptr);
        RegCloseKey(key);
        key = next;
        from = end + 1;
    }
    return key;
}

void SetText(HKEY base, const std::wstring& path, const wchar_t* name, const std::wstring& text)
{
    HKEY key = CreatePath(base, path);
    ASSERT_NE(key, nullptr) << testenv::WideToUtf8(path);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void DeleteBelow(HKEY key)
{
    for (;;) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return;
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_ALL_ACCESS | kExact, &sub) != ERROR_SUCCESS) return;
        DeleteBelow(sub);
        RegCloseKey(sub);
        if (RegDeleteKeyExW(key, name, kExact, 0) != ERROR_SUCCESS) return;
    }
}

void DeletePath(HKEY base, const std::wstring& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(base, path.c_str(), 0, KEY_ALL_ACCESS | kExact, &key), ERROR_SUCCESS);
    DeleteBelow(key);
    RegCloseKey(key);
    ASSERT_EQ(RegDeleteKeyExW(base, path.c_str(), kExact, 0), ERROR_SUCCESS);
}

// The dump line of value "v" holding `text` in the key at `path`.
std::wstring LineOf(const std::wstring& path, const std::wstring& text)
{
    static const wchar_t hex[] = L"0123456789abcdef";
    std::wstring line = L"\\" + path + L"|v|1|";
    for (size_t i = 0; i <= text.size(); ++i)
        for (int shift : {0, 8}) {
            const unsigned byte = (static_cast<unsigned>(i < text.size() ? text[i] : 0) >> shift) & 0xFF;
            line += hex[byte >> 4];
            line += hex[byte & 15];
        }
    return line;
}

std::wstring ReadV(HKEY key)
{
    wchar_t data[64] = L"";
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegQueryValueExW(key, L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return L"(unreadable)";
    return data;
}

struct TreeCase {
    const char* name;
    HKEY root;
    REGSAM view;
    // A "Wow6432Node" key right below the saved key, as Software\Classes has
    // one. Only in the 64-bit view: opened in the 32-bit one, a key with such
    // a child is that child.
    bool wowChild;
};

class ExactRestore : public ::testing::TestWithParam<TreeCase> {};

// Keys beside and below "Wow6432Node" keys, each holding its own path, so a
// key read or written through the wrong one shows.
std::vector<std::wstring> PathsOf(const TreeCase& c)
{
    std::vector<std::wstring> paths = {L"Alpha",       L"Zed",
                                       L"Named",       L"Inner\\Alpha",
                                       L"Inner\\Zed",  L"Inner\\Wow6432Node",
                                       L"Inner\\Wow6432Node\\Alpha", L"Inner\\Wow6432Node\\Zed"};
    if (c.wowChild)
        for (const wchar_t* path : {L"Wow6432Node", L"Wow6432Node\\Alpha", L"Wow6432Node\\Zed"})
            paths.push_back(path);
    return paths;
}

TEST_P(ExactRestore, TheTreeComesBackAsSavedAndKeptKeysStayTheSame)
{
    const TreeCase& c = GetParam();
    testenv::ScratchDir dir(L"exact");
    testenv::ScratchKey scratch(c.root, L"Software", L"exact", c.view);
    HKEY base = nullptr;
    ASSERT_EQ(RegOpenKeyExW(c.root, scratch.path().c_str(), 0, KEY_ALL_ACCESS | c.view, &base), ERROR_SUCCESS);
    SetText(base, L"", nullptr, L"top");
    for (const std::wstring& path : PathsOf(c)) SetText(base, path, L"v", path);
    const auto before = fixture::Dump(c.root, scratch.path(), c.view);
    for (const std::wstring& path : PathsOf(c))
        EXPECT_NE(std::find(before.begin(), before.end(), LineOf(path, path)), before.end())
            << testenv::WideToUtf8(path);

    backup::ScopedPrivileges privileges;
    ASSERT_TRUE(privileges.Enable(L"SeBackupPrivilege"));
    ASSERT_TRUE(privileges.Enable(L"SeRestorePrivilege"));
    const std::wstring hive = dir.File(L"AAAA1.bakdat");
    ASSERT_EQ(RegSaveKeyW(base, hive.c_str(), nullptr), ERROR_SUCCESS);
    const std::wstring systemName = regkey::SystemNameOf(base);

    // Another program's handle to a key the saved tree also holds.
    HKEY alpha = CreatePath(base, L"Alpha");
    ASSERT_NE(alpha, nullptr);
    // Changes of every kind since the backup: values, added and removed
    // keys beside and below the "Wow6432Node" keys, a name's case.
    SetText(base, L"Alpha", L"v", L"changed");
    SetText(base, L"Inner\\Wow6432Node\\Zed", L"v", L"changed");
    SetText(base, L"", L"extra", L"added");
    SetText(base, L"Added\\Deeper", L"v", L"added");
    SetText(base, L"Inner\\Wow6432Node\\Added", L"v", L"added");
    DeletePath(base, L"Zed");
    DeletePath(base, L"Inner\\Zed");
    DeletePath(base, L"Named");
    SetText(base, L"NAMED", L"v", L"Named");
    if (c.wowChild) {
        SetText(base, L"Wow6432Node\\Zed", L"v", L"changed");
        DeletePath(base, L"Wow6432Node\\Alpha");
    }
    ASSERT_NE(fixture::Dump(c.root, scratch.path(), c.view), before);

    const backup::RestoreStatus status =
        backup::RestoreByLoadAndCopy(c.root, scratch.path(), c.view, hive, systemName);
    EXPECT_EQ(status.stage, backup::RestoreStatus::Ok) << status.code;
    EXPECT_EQ(fixture::Dump(c.root, scratch.path(), c.view), before);
    EXPECT_EQ(ReadV(alpha), L"Alpha");

    RegCloseKey(alpha);
    DeleteBelow(base);
    RegCloseKey(base);
}

INSTANTIATE_TEST_SUITE_P(Views, ExactRestore,
                         ::testing::Values(TreeCase{"Hklm64", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, true},
                                           TreeCase{"Hklm32", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, false},
                                           TreeCase{"HkcuOwnView", HKEY_CURRENT_USER, 0, false}),
                         [](const ::testing::TestParamInfo<TreeCase>& i) { return std::string(i.param.name); });

}  // namespace
