// The program declares itself long-path aware, so where Windows allows paths
// past MAX_PATH its own file calls get them too (the scan's file search
// uses the "\\?\" form either way).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/TestEnv.h"

TEST(LongPathManifest, TheProgramsManifestDeclaresLongPathAwareness)
{
    const std::wstring file = testenv::BinDir() + L"\\Tamsel.exe";
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr) << GetLastError();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(text, SizeofResource(module, found));
    FreeLibrary(module);
    EXPECT_NE(manifest.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true"
                            "</longPathAware>"),
              std::string::npos)
        << manifest;
}
