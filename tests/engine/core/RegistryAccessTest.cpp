#include <gtest/gtest.h>

#include "core/RegEngine.h"
#include "core/RegistryKey.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

TEST(RootKeys, ExactNamesOnly)
{
    const std::pair<const wchar_t*, HKEY> roots[] = {
        {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", HKEY_USERS},
        {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const auto& r : roots) {
        EXPECT_EQ(CRegEngine::LookupRoot(r.first), r.second) << r.first;
        EXPECT_STREQ(CRegEngine::RootName(r.second), r.first);
    }
    for (const wchar_t* other : {L"hkey_local_machine", L"HKLM", L"", L"HKEY_LOCAL_MACHINE "})
        EXPECT_EQ(CRegEngine::LookupRoot(other), nullptr) << other;
}

TEST(OpenKey, MissingIsSilentOtherFailuresAreReported)
{
    ReportRecorder recorder;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"openkey");

    UniqueHKey opened = regkey::OpenKey(HKEY_CURRENT_USER, key.path(), kView64);
    EXPECT_TRUE(opened);

    LONG rc = 0;
    EXPECT_FALSE(regkey::OpenKey(HKEY_CURRENT_USER, key.path() + L"\\absent", kView32,
                                 regkey::kOpenKeyContext, &rc));
    EXPECT_EQ(rc, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(recorder.Take().empty());

    // A null root (a settings file naming a root in the wrong case) fails and is reported.
    EXPECT_FALSE(regkey::OpenKey(CRegEngine::LookupRoot(L"hkey_current_user"), L"Software", kView32,
                                 regkey::kOpenKeyContext, &rc));
    EXPECT_NE(rc, ERROR_SUCCESS);
    auto reports = recorder.Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].caption, L"CRegistryKey::OpenKey(HKEY hKey ...)");
    EXPECT_EQ(reports[0].flags, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(reports[0].text.rfind(L"Error (code " + std::to_wstring(rc) + L"): ", 0),
              0u);
}

TEST(OpenKey, ViewsSeeTheirOwnSoftwareKeys)
{
    // Keys below HKLM\Software are split between the views on 64-bit
    // Windows and shared on 32-bit Windows.
    if (testenv::PrefixArch() != L"win64") GTEST_SKIP() << "single-view prefix";
    testenv::ScratchKey only32(HKEY_LOCAL_MACHINE, L"Software", L"view32", KEY_WOW64_32KEY);
    EXPECT_TRUE(regkey::OpenKey(HKEY_LOCAL_MACHINE, only32.path(), kView32));
    EXPECT_FALSE(regkey::OpenKey(HKEY_LOCAL_MACHINE, only32.path(), kView64));
}
