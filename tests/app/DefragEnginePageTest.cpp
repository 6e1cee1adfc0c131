// The defrag page over the real engine: linked in, over a simulated volume
// with real hive files, and the shipped Corvex.dll over Wine's real volume,
// which cannot be analysed.
#include "app/PageTestFixture.h"
#include "defrag/PendingSwap.h"
#include "pages/DefragChildWnd.h"
#include "pages/PendingRestart.h"
#include "pure/PageRules.h"
#include "support/DefragFixture.h"

using namespace ui;
using Size = DefragFixture::Size;

namespace {

constexpr wchar_t kDone[] = L"Finished successfully.Please restart your computer.";

class DefragEnginePageTest : public pagetest::PageTest {
protected:
    void SetUp() override
    {
        pagetest::PageTest::SetUp();
        SetStandardBoxAnswer([this](const std::wstring& text, const std::wstring&, UINT) {
            standardBoxes_.push_back(text);
            return IDYES;
        });
        SetRestartHook([this] {
            ++restarts_;
            return true;
        });
    }
    void TearDown() override
    {
        if (dlg_->CurrentPage() == Page(kDefragPage)) dlg_->ShowPage(Page(kMainPage));
        fx_.reset();
        SetStandardBoxAnswer(nullptr);
        SetRestartHook(nullptr);
        pagetest::PageTest::TearDown();
    }
    // The linked engine, reporting to the program's callbacks.
    void BindLinkedEngine()
    {
        EngineFunctionTable* t = nullptr;
        toEngineInitGetUIInterface(CallbackTable(), &t);
        g_engine = t;
    }
    CDefragChildWnd* Defrag() { return static_cast<CDefragChildWnd*>(Page(kDefragPage)); }
    CReportList& Rows() { return Defrag()->List(); }
    bool WaitIdle()
    {
        return apptest::PumpUntil(
            [this] { return Defrag()->CurrentWorker() == CDefragChildWnd::Worker::None; }, 20000);
    }
    std::wstring StatusShown()
    {
        for (int i = 0; i < 50 && Defrag()->Status().Pending() > 0; ++i)
            RedrawWindow(Defrag()->Hwnd(), &Defrag()->StatusRect(), nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return Defrag()->Status().Current();
    }
    // The surface colour where cluster c of `total` lies.
    COLORREF ClusterPixel(uint64_t c, uint64_t total)
    {
        const RECT& m = Defrag()->MapRect();
        const int w = m.right - m.left, h = m.bottom - m.top;
        const uint64_t p = pagerules::PixelOf(c, total, static_cast<uint64_t>(w) * static_cast<uint64_t>(h));
        return Defrag()->SurfaceAt(m.left + static_cast<int>(p % static_cast<uint64_t>(w)),
                                   m.bottom - 1 - static_cast<int>(p / static_cast<uint64_t>(w)));
    }

    std::unique_ptr<DefragFixture> fx_;
    std::vector<std::wstring> standardBoxes_;
    int restarts_ = 0;
};

}  // namespace

TEST_F(DefragEnginePageTest, ASimulatedVolumeIsMappedListedDefragmentedAndRebooted)
{
    fx_ = std::make_unique<DefragFixture>(100000);
    fx_->volume->MarkUsed(0, 20000);
    const std::wstring p0 = fx_->AddHive(L"H0", {{30000, 800}, {31000, 1600}}, Size::Compact);   // moved
    const std::wstring p1 = fx_->AddHive(L"H1", {{40000, 1200}}, Size::Different);               // replaced
    BindLinkedEngine();
    dlg_->ShowPage(Page(kDefragPage));
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(Defrag()->State(), CDefragChildWnd::kAnalysed);
    ASSERT_EQ(Rows().Count(), 2);
    EXPECT_EQ(Rows().Text(0, 0), fx_->KeyName(L"H0"));
    WIN32_FILE_ATTRIBUTE_DATA a{};
    ASSERT_TRUE(GetFileAttributesExW(p0.c_str(), GetFileExInfoStandard, &a));
    EXPECT_GT(a.nFileSizeLow, 0u);
    EXPECT_EQ(Rows().Text(0, 1), pagerules::SizeText(a.nFileSizeLow));
    EXPECT_EQ(Rows().Text(0, 3), L"fragment");
    EXPECT_EQ(Rows().Text(1, 3), L"unfragment");
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    // The map: used space black, free grey, H0 yellow (fragmented), H1 green.
    EXPECT_EQ(ClusterPixel(5000, 100000), RGB(0, 0, 0));
    EXPECT_EQ(ClusterPixel(25000, 100000), RGB(160, 160, 160));
    EXPECT_EQ(ClusterPixel(30400, 100000), RGB(255, 255, 0));
    EXPECT_EQ(ClusterPixel(31400, 100000), RGB(255, 255, 0));
    EXPECT_EQ(ClusterPixel(40600, 100000), RGB(0, 255, 0));

    // Selecting H1 shows it in colour 5.
    Rows().Select(1);
    EXPECT_EQ(ClusterPixel(40600, 100000), RGB(0, 128, 255));
    Rows().Select(0);
    EXPECT_EQ(ClusterPixel(40600, 100000), RGB(0, 255, 0));

    boxAnswer_ = 1;
    ClickAction();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text, CDefragChildWnd::kCompactWarning);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Defrag()->State(), CDefragChildWnd::kFinished);
    EXPECT_EQ(StatusShown(), kDone);
    EXPECT_EQ(Rows().Text(0, 3), L"OK");
    EXPECT_EQ(Rows().Image(0), kImageDone);
    EXPECT_EQ(Rows().Text(1, 3), L"ok");  // compacted, not fragmented: not moved
    // Only the hive whose copy differs is swapped at the restart.
    ASSERT_EQ(fx_->replaced.size(), 1u);
    EXPECT_EQ(fx_->replaced[0].newFile, p1 + L".rns");
    EXPECT_EQ(fx_->replaced[0].oldFile, p1 + L".rold");
    EXPECT_EQ(ActionCaption(), L"Reboot");
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    EXPECT_EQ(dlg_->Workers().Running(), 0);

    RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    apptest::Pump(200);
    apptest::CaptureWindow(dlg_->Hwnd(), L"defrag-page.png");

    ClickAction();
    ASSERT_EQ(standardBoxes_.size(), 1u);
    EXPECT_EQ(standardBoxes_[0], L"Do you want to reboot your computer now?");
    EXPECT_EQ(restarts_, 1);

    // The restart did not come (refused, failed or cancelled by another
    // program): the swap still waits, and the program never forgets it.
    dlg_->ShowPage(Page(kMainPage));
    EXPECT_EQ(Status(2), kRestartPendingText);
    dlg_->ShowPage(Page(kDefragPage));
    EXPECT_EQ(Defrag()->CurrentWorker(), CDefragChildWnd::Worker::None) << "nothing is compacted again";
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_EQ(StatusShown(), kRestartFirstText);
    EXPECT_EQ(ActionCaption(), L"Reboot");
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    ClickAction();
    ASSERT_EQ(standardBoxes_.size(), 2u);
    EXPECT_EQ(standardBoxes_[1], L"Do you want to reboot your computer now?");
    EXPECT_EQ(restarts_, 2);

    // After the restart the record is gone, and so is the note.
    defrag::ClearPendingSwaps();
    dlg_->ShowPage(Page(kMainPage));
    EXPECT_NE(Status(2), kRestartPendingText);
}

TEST_F(DefragEnginePageTest, TheShippedEngineSaysWineVolumeCannotBeAnalysed)
{
    HMODULE dll = LoadLibraryW((testenv::BinDir() + L"\\Corvex.dll").c_str());
    ASSERT_NE(dll, nullptr);
    auto init = reinterpret_cast<ToEngineInitGetUIInterfaceFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "toEngineInitGetUIInterface")));
    ASSERT_NE(init, nullptr);
    EngineFunctionTable* t = nullptr;
    init(CallbackTable(), &t);
    ASSERT_NE(t, nullptr);
    g_engine = t;
    dlg_->ShowPage(Page(kDefragPage));
    ASSERT_TRUE(WaitIdle());
    const std::wstring shown = StatusShown();
    EXPECT_NE(shown.find(L"The volume cannot be analysed."), std::wstring::npos) << testenv::WideToUtf8(shown);
    EXPECT_EQ(Defrag()->State(), CDefragChildWnd::kNothingDone);
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    dlg_->ShowPage(Page(kMainPage));
    t->ReleaseEngine();
    g_engine = nullptr;
    FreeLibrary(dll);
}
