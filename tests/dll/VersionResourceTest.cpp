// The three shipped binaries carry one version, the project's, in their
// version resources, with the names Explorer shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "TamselVersion.h"
#include "support/TestEnv.h"

namespace {

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + strlen(text));
}

struct VersionInfo {
    bool ok = false;
    std::vector<char> block;
    VS_FIXEDFILEINFO fixed{};

    std::wstring Text(const wchar_t* name) const
    {
        void* value = nullptr;
        UINT size = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(block.data(), path.c_str(), &value, &size) || size == 0) return L"(missing)";
        return std::wstring(static_cast<const wchar_t*>(value));
    }
};

VersionInfo Read(const std::wstring& file)
{
    VersionInfo v;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return v;
    v.block.resize(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, v.block.data())) return v;
    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!VerQueryValueW(v.block.data(), L"\\", &fixed, &fixedSize) || fixedSize < sizeof(VS_FIXEDFILEINFO)) return v;
    v.fixed = *static_cast<const VS_FIXEDFILEINFO*>(fixed);
    v.ok = true;
    return v;
}

TEST(VersionResource, OneVersionInAllThreeBinaries)
{
    const std::wstring version = Widen(TAMSEL_VERSION_STR);
    for (const wchar_t* name : {L"Tamsel.exe", L"Corvex.dll", L"TamselCli.exe"}) {
        SCOPED_TRACE(testenv::WideToUtf8(name));
        VersionInfo v = Read(testenv::BinDir() + L"\\" + name);
        ASSERT_TRUE(v.ok);
        EXPECT_EQ(v.Text(L"FileVersion"), version);
        EXPECT_EQ(v.Text(L"ProductVersion"), version);
        EXPECT_EQ(v.Text(L"ProductName"), L"Tamsel");
        EXPECT_EQ(v.Text(L"CompanyName"), L"Quorv Software");
        EXPECT_EQ(v.Text(L"LegalCopyright"), L"Copyright (C) Quorv Software. All rights reserved.");
        EXPECT_EQ(v.Text(L"OriginalFilename"), name);
        EXPECT_NE(v.Text(L"FileDescription"), L"(missing)");
        // The numeric version is the same four numbers.
        wchar_t numeric[64];
        swprintf(numeric, 64, L"%u.%u.%u.%u", HIWORD(v.fixed.dwFileVersionMS), LOWORD(v.fixed.dwFileVersionMS),
                 HIWORD(v.fixed.dwFileVersionLS), LOWORD(v.fixed.dwFileVersionLS));
        EXPECT_EQ(std::wstring(numeric).rfind(version, 0), 0u) << testenv::WideToUtf8(numeric);
    }
}

}  // namespace
