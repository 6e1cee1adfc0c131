// The guard's rule on the names of keys and on measured extents, and the
// texts that show an extent.
#include <gtest/gtest.h>

#include "pure/FixGuard.h"

namespace {

TEST(FixGuard, RootsTopKeysVendorsAndContainersAreRefusedAsWholeKeys)
{
    const struct {
        const wchar_t* root;
        const wchar_t* path;
        const wchar_t* reason;  // how the reason starts; null when allowed
    } cases[] = {
        {L"HKEY_LOCAL_MACHINE", L"", L"refused: it would remove the registry root"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE", L"refused: it would remove the top-level key"},
        {L"HKEY_LOCAL_MACHINE", L"SYSTEM", L"refused: it would remove the top-level key"},
        {L"HKEY_USERS", L"S-1-5-21-1", L"refused: it would remove the top-level key"},
        {L"HKEY_USERS", L"S-1-5-21-1\\Software", L"refused: it would remove the top-level key"},
        {L"HKEY_CURRENT_USER", L"Software\\Vendor", L"refused: it would remove the vendor key"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Wow6432Node\\Vendor", L"refused: it would remove the vendor key"},
        {L"HKEY_USERS", L"S-1-5-21-1\\Software\\Vendor", L"refused: it would remove the vendor key"},
        {L"HKEY_CLASSES_ROOT", L"CLSID", L"refused: it would remove the container key"},
        {L"HKEY_CLASSES_ROOT", L"Wow6432Node\\clsid", L"refused: it would remove the container key"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Classes\\TypeLib", L"refused: it would remove the container key"},
        {L"HKEY_CURRENT_USER", L"Software\\Classes\\Interface", L"refused: it would remove the container key"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
         L"refused: it would remove the container key"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
         L"refused: it would remove the container key"},
        {L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
         L"refused: it would remove the container key"},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
         L"refused: it would remove the container key"},
        {L"HKEY_CLASSES_ROOT", L"Installer\\Products", L"refused: it would remove the container key"},
        {L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts",
         L"refused: it would remove the container key"},
        {L"HKEY_CURRENT_USER", L"AppEvents", L"refused: it would remove the top-level key"},
        {L"HKEY_CURRENT_USER", L"AppEvents\\Schemes\\Apps", L"refused: it would remove the container key"},
        // What is inside a container stays fixable.
        {L"HKEY_CLASSES_ROOT", L"CLSID\\{00000000-0000-0000-0000-000000000001}", nullptr},
        {L"HKEY_LOCAL_MACHINE", L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\tool.exe", nullptr},
        {L"HKEY_CURRENT_USER", L"Software\\Vendor\\Product", nullptr},
        {L"HKEY_CLASSES_ROOT", L".xyz", nullptr},
        {L"HKEY_CURRENT_USER", L"AppEvents\\Schemes\\Apps\\MyApp", nullptr},
    };
    for (const auto& c : cases) {
        const std::wstring reason = pure::ContainerRefusal(c.root, c.path);
        SCOPED_TRACE(std::string(c.path, c.path + wcslen(c.path)));
        if (c.reason)
            EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << std::string(reason.begin(), reason.end());
        else
            EXPECT_EQ(reason, L"");
    }
    // The reason names the key as the user sees it.
    EXPECT_EQ(pure::ContainerRefusal(L"HKEY_CLASSES_ROOT", L"CLSID"),
              L"refused: it would remove the container key HKEY_CLASSES_ROOT\\CLSID");
}

TEST(FixGuard, ValuesAlwaysPassTreesOnlyWithinTheLimits)
{
    const pure::GuardLimits limits;  // 200 keys, 1000 values
    FixExtent value;
    value.kind = FixExtent::kValue;
    EXPECT_EQ(pure::FixRefusal(0, L"HKEY_CLASSES_ROOT", L"CLSID", value, limits), L"");
    EXPECT_NE(pure::FixRefusal(1, L"HKEY_CLASSES_ROOT", L"CLSID", value, limits), L"");

    FixExtent tree;
    tree.kind = FixExtent::kTree;
    tree.keys = 200;
    tree.values = 1000;
    const wchar_t* path = L"Software\\Vendor\\Product\\Old";
    EXPECT_EQ(pure::FixRefusal(2, L"HKEY_CURRENT_USER", path, tree, limits), L"");
    tree.keys = 201;
    EXPECT_EQ(pure::FixRefusal(2, L"HKEY_CURRENT_USER", path, tree, limits),
              L"refused: the key tree (201 keys, 1000 values) is larger than the limit of 200 keys or 1000 values");
    tree.keys = 3;
    tree.values = 1001;
    EXPECT_NE(pure::FixRefusal(2, L"HKEY_CURRENT_USER", path, tree, limits), L"");
    tree.values = 3;
    tree.more = 1;  // counting stopped at the bound
    EXPECT_NE(pure::FixRefusal(2, L"HKEY_CURRENT_USER", path, tree, limits), L"");
    // A key action is not limited by size: it cannot remove subkeys.
    tree.kind = FixExtent::kKey;
    tree.more = 0;
    tree.values = 5000;
    EXPECT_EQ(pure::FixRefusal(1, L"HKEY_CURRENT_USER", path, tree, pure::GuardLimits{}), L"");
}

TEST(FixExtentText, EachKind)
{
    FixExtent e;
    EXPECT_EQ(DescribeFixExtent(e), L"");
    e.kind = FixExtent::kValue;
    EXPECT_EQ(DescribeFixExtent(e), L"1 value");
    e.kind = FixExtent::kKey;
    e.keys = 1;
    e.values = 1;
    EXPECT_EQ(DescribeFixExtent(e), L"key, 1 value");
    e.values = 3;
    EXPECT_EQ(DescribeFixExtent(e), L"key, 3 values");
    e.kind = FixExtent::kTree;
    e.keys = 12;
    e.values = 40;
    EXPECT_EQ(DescribeFixExtent(e), L"tree: 12 keys, 40 values");
    e.more = 1;
    EXPECT_EQ(DescribeFixExtent(e), L"tree: more than 10000 keys and values");
    e.kind = FixExtent::kShortcutFile;
    EXPECT_EQ(DescribeFixExtent(e), L"shortcut file");
}

}  // namespace
