// A compaction's queued swap is recorded before it is queued, and until the
// restart every slot that would change the registry refuses.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>

#include "core/EngineState.h"
#include "defrag/PendingSwap.h"
#include "engine/startup/StartupTestSupport.h"
#include "support/DefragFixture.h"
#include "support/ReportRecorder.h"

using Size = DefragFixture::Size;

namespace {

const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\run";

void Layout(vol::SimVolume& v)
{
    v.MarkUsed(0, 30000);
    v.MarkUsed(40000, 20000);
}

bool Listed(const std::vector<std::wstring>& hives, const std::wstring& keyName)
{
    return std::find(hives.begin(), hives.end(), keyName) != hives.end();
}

}  // namespace

TEST(PendingSwap, EachSwapIsRecordedBeforeItIsQueuedAndDroppedWhenItIsNot)
{
    for (LONG replaceResult : {static_cast<LONG>(ERROR_SUCCESS), static_cast<LONG>(ERROR_ACCESS_DENIED)}) {
        SCOPED_TRACE(replaceResult);
        DefragFixture fx;
        Layout(*fx.volume);
        fx.AddHive(L"H0", {{30000, 8}}, Size::Compact);
        fx.AddHive(L"H1", {{32000, 8}}, Size::Different);
        bool recordedFirst = false;
        fx.seams.replaceKey = [&](HKEY, const std::wstring&, const std::wstring&, const std::wstring&) {
            std::vector<std::wstring> hives;
            recordedFirst = defrag::PendingSwaps(&hives) == defrag::SwapState::kPending &&
                            Listed(hives, fx.KeyName(L"H1")) && !Listed(hives, fx.KeyName(L"H0"));
            return replaceResult;
        };
        fx.ApplySeams();
        EngineFunctionTable& t = fx.recorder.engine();
        EXPECT_EQ(t.GetPendingCompaction(), 0);
        ASSERT_TRUE(fx.Analyse());
        ASSERT_TRUE(fx.Defragment());
        EXPECT_TRUE(recordedFirst);
        EXPECT_EQ(t.GetPendingCompaction(), replaceResult == ERROR_SUCCESS ? 1 : 0);
    }
}

TEST(PendingSwap, UntilTheRestartEveryRegistryChangeIsRefused)
{
    DefragFixture fx;
    Layout(*fx.volume);
    fx.AddHive(L"H1", {{32000, 8}}, Size::Different);
    ASSERT_TRUE(fx.Analyse());
    ASSERT_TRUE(fx.Defragment());
    EngineFunctionTable& t = fx.recorder.engine();
    ASSERT_EQ(t.GetPendingCompaction(), 1);

    ReportRecorder reports;
    engine::Ensure();
    startuptest::RunValue value(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\pending.exe");
    StartupItem item;
    item.rootName = L"HKEY_CURRENT_USER";
    item.keyPath = kRun;
    item.valueName = value.name();
    item.commandLine = L"C:\\Tamsel\\other.exe";
    struct Change {
        const char* what;
        std::function<bool()> changed;  // true when the slot went ahead
    } changes[] = {
        {"delete", [&] { return t.DeleteStartupEntry(&item) != 0; }},
        {"write", [&] { return t.WriteStartupEntry(&item) != 0; }},
        {"record", [&] { return t.AddDisabledStartupItem(&item) != 0; }},
        {"enable", [&] { return t.EnableStartupItem(&item, 1, nullptr) != 0; }},
        {"fix", [&] { return t.StartFix() != nullptr; }},
    };
    for (const Change& c : changes) {
        EXPECT_FALSE(c.changed()) << c.what;
        const auto shown = reports.Take();
        ASSERT_EQ(shown.size(), 1u) << c.what;
        EXPECT_EQ(shown[0].text, defrag::kRestartFirstText) << c.what;
    }
    DWORD type = 0;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(value.Read(type, bytes));
    EXPECT_EQ(bytes, startuptest::Bytes(L"C:\\Tamsel\\pending.exe"));

    const std::wstring name = L"missing.xml";
    t.StartRestore(&name);
    EXPECT_EQ(reports.Take().size(), 1u);

    // A second compaction would queue over the first.
    ASSERT_TRUE(fx.Defragment());
    EXPECT_EQ(fx.recorder.Sequence().back(), L"Finished 3 1");
    EXPECT_EQ(fx.recorder.Statuses().back(), defrag::kRestartFirstText);
    EXPECT_TRUE(fx.replaced.size() == 1u) << "nothing queued again";
    reports.Take();

    // The restart clears the record; changes go through again.
    defrag::ClearPendingSwaps();
    EXPECT_EQ(t.GetPendingCompaction(), 0);
    item.commandLine = L"C:\\Tamsel\\pending.exe";
    EXPECT_EQ(t.WriteStartupEntry(&item), 1);
    EXPECT_TRUE(reports.Take().empty());
    engine::Destroy();
}
