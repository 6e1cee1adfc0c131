// Skin images: decoding, premultiplication, the cache and the drawing modes,
// on small real PNG files.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/AppTestEnv.h"
#include "controls/ImageCache.h"
#include "controls/ImageDraw.h"
#include "controls/Premultiply.h"

using namespace ui;
using apptest::Canvas;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                   kYellow = RGB(255, 255, 0), kWhite = RGB(255, 255, 255);

void Put(std::vector<uint8_t>& px, size_t i, COLORREF c, uint8_t a = 255)
{
    px[i * 4 + 0] = GetBValue(c);
    px[i * 4 + 1] = GetGValue(c);
    px[i * 4 + 2] = GetRValue(c);
    px[i * 4 + 3] = a;
}

class ImageTest : public ::testing::Test {
protected:
    apptest::ComInit com_;
    // 2 x 2: red green / blue yellow, opaque, written as 24-bit or 32-bit.
    std::unique_ptr<CImage> Quad(bool alpha)
    {
        std::vector<uint8_t> px(16);
        Put(px, 0, kRed);
        Put(px, 1, kGreen);
        Put(px, 2, kBlue);
        Put(px, 3, kYellow);
        std::wstring path = apptest::TempPath(alpha ? L"quad32.png" : L"quad24.png");
        EXPECT_TRUE(apptest::WritePng(path, 2, 2, px, alpha));
        auto img = LoadImageFile(path);
        DeleteFileW(path.c_str());
        return img;
    }
};

TEST(Premultiply, ChannelsScaleByAlphaRoundingDown)
{
    struct Case {
        uint8_t in[4];
        uint8_t out[4];
    } cases[] = {
        {{200, 100, 50, 255}, {200, 100, 50, 255}},
        {{200, 100, 50, 0}, {0, 0, 0, 0}},
        {{255, 255, 255, 128}, {128, 128, 128, 128}},
        {{100, 1, 254, 127}, {49, 0, 126, 127}},  // 100*127/255 = 49.8 -> 49
        {{3, 2, 1, 1}, {0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        uint8_t px[4] = {c.in[0], c.in[1], c.in[2], c.in[3]};
        img::Premultiply(px, 1);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(px[i], c.out[i]) << "channel " << i << " of " << int(c.in[i]);
    }
}

TEST_F(ImageTest, AlphaPngIsPremultipliedOnLoad)
{
    std::vector<uint8_t> px(8);
    Put(px, 0, RGB(200, 100, 50), 128);
    Put(px, 1, RGB(255, 255, 255), 0);
    std::wstring path = apptest::TempPath(L"alpha.png");
    ASSERT_TRUE(apptest::WritePng(path, 2, 1, px, true));
    auto img = LoadImageFile(path);
    DeleteFileW(path.c_str());
    ASSERT_FALSE(img->IsEmpty());
    EXPECT_EQ(img->bpp, 32);
    EXPECT_EQ(img->width, 2);
    DIBSECTION ds{};
    ASSERT_EQ(GetObjectW(img->bitmap.get(), sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    const uint8_t* p = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    EXPECT_EQ(p[0], 50 * 128 / 255);
    EXPECT_EQ(p[1], 100 * 128 / 255);
    EXPECT_EQ(p[2], 200 * 128 / 255);
    EXPECT_EQ(p[3], 128);
    EXPECT_EQ(p[4] | p[5] | p[6] | p[7], 0);
}

TEST_F(ImageTest, OpaquePngIsCopiedNotBlended)
{
    auto img = Quad(false);
    ASSERT_FALSE(img->IsEmpty());
    EXPECT_EQ(img->bpp, 24);
    Canvas c(2, 2, kWhite);
    DrawNatural(c.dc(), img.get(), 0, 0);
    EXPECT_EQ(c.At(0, 0), kRed);
    EXPECT_EQ(c.At(1, 1), kYellow);
}

TEST_F(ImageTest, MissingFileIsEmptyAndDrawsNothing)
{
    auto img = LoadImageFile(L"./images/no-such-image.png");
    EXPECT_TRUE(img->IsEmpty());
    Canvas c(4, 4, kWhite);
    for (DrawMode m : {DrawMode::Natural, DrawMode::Stretch, DrawMode::RepeatAcross, DrawMode::RepeatDown,
                       DrawMode::Tile, DrawMode::Extend})
        DrawImage(c.dc(), img.get(), {0, 0, 4, 4}, m);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(c.At(x, y), kWhite);
}

TEST_F(ImageTest, CacheLoadsEachPathOnce)
{
    ImageCache cache;
    CImage* a = cache.Load(L"./images/missing-a.png");
    CImage* b = cache.Load(L"./images/missing-a.png");
    CImage* other = cache.Load(L"./images/missing-b.png");
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);
    EXPECT_EQ(cache.Count(), 2u);
}

// Each mode on the 2 x 2 quad, checked at pixels that tell the modes apart.
TEST_F(ImageTest, DrawingModesPlaceAndCutCopies)
{
    for (bool alpha : {false, true}) {
        auto img = Quad(alpha);
        ASSERT_FALSE(img->IsEmpty());
        SCOPED_TRACE(alpha ? "32-bit" : "24-bit");
        {
            Canvas c(6, 6, kWhite);
            DrawNatural(c.dc(), img.get(), 1, 1);
            EXPECT_EQ(c.At(1, 1), kRed);
            EXPECT_EQ(c.At(2, 2), kYellow);
            EXPECT_EQ(c.At(3, 3), kWhite);
            EXPECT_EQ(c.At(0, 0), kWhite);
        }
        {
            Canvas c(6, 6, kWhite);
            DrawStretch(c.dc(), img.get(), {0, 0, 4, 4});
            EXPECT_EQ(c.At(1, 1), kRed);
            EXPECT_EQ(c.At(2, 1), kGreen);
            EXPECT_EQ(c.At(1, 2), kBlue);
            EXPECT_EQ(c.At(3, 3), kYellow);
            EXPECT_EQ(c.At(4, 4), kWhite);
        }
        {
            // Across: copies 2 wide, scaled to a height of 4; the third copy is cut at x = 5.
            Canvas c(7, 5, kWhite);
            DrawRepeatAcross(c.dc(), img.get(), {0, 0, 5, 4});
            EXPECT_EQ(c.At(0, 0), kRed);
            EXPECT_EQ(c.At(2, 0), kRed);
            EXPECT_EQ(c.At(3, 1), kGreen);
            EXPECT_EQ(c.At(4, 3), kBlue);
            EXPECT_EQ(c.At(5, 0), kWhite);
            EXPECT_EQ(c.At(0, 4), kWhite);
        }
        {
            // Down from an offset of 1: copies 2 high, scaled to a width of 4, cut at y = 6.
            Canvas c(5, 7, kWhite);
            DrawRepeatDown(c.dc(), img.get(), {0, 0, 4, 6}, 1);
            EXPECT_EQ(c.At(0, 0), kWhite);
            EXPECT_EQ(c.At(0, 1), kRed);
            EXPECT_EQ(c.At(3, 2), kYellow);
            EXPECT_EQ(c.At(0, 3), kRed);
            EXPECT_EQ(c.At(0, 5), kRed);
            EXPECT_EQ(c.At(0, 6), kWhite);
            EXPECT_EQ(c.At(4, 1), kWhite);
        }
        {
            Canvas c(6, 6, kWhite);
            DrawTile(c.dc(), img.get(), {0, 0, 5, 3});
            EXPECT_EQ(c.At(0, 0), kRed);
            EXPECT_EQ(c.At(2, 0), kRed);
            EXPECT_EQ(c.At(3, 1), kYellow);
            EXPECT_EQ(c.At(4, 2), kRed);
            EXPECT_EQ(c.At(5, 0), kWhite);
            EXPECT_EQ(c.At(0, 3), kWhite);
        }
        {
            // Extended: one copy scaled to a height of 4, then its last
            // column (green over yellow) across the rest; never a second copy.
            Canvas c(7, 5, kWhite);
            DrawExtended(c.dc(), img.get(), {0, 0, 6, 4});
            EXPECT_EQ(c.At(0, 0), kRed);
            EXPECT_EQ(c.At(1, 3), kYellow);
            EXPECT_EQ(c.At(2, 0), kGreen);
            EXPECT_EQ(c.At(5, 1), kGreen);
            EXPECT_EQ(c.At(5, 2), kYellow);
            EXPECT_EQ(c.At(6, 0), kWhite);
            Canvas cut(3, 3, kWhite);
            DrawExtended(cut.dc(), img.get(), {0, 0, 1, 2});
            EXPECT_EQ(cut.At(0, 0), kRed);
            EXPECT_EQ(cut.At(1, 0), kWhite);
        }
    }
}

TEST_F(ImageTest, HalfTransparentPixelBlendsOverBackground)
{
    std::vector<uint8_t> px(4);
    Put(px, 0, RGB(0, 0, 0), 128);
    std::wstring path = apptest::TempPath(L"half.png");
    ASSERT_TRUE(apptest::WritePng(path, 1, 1, px, true));
    auto img = LoadImageFile(path);
    DeleteFileW(path.c_str());
    Canvas c(1, 1, kWhite);
    DrawNatural(c.dc(), img.get(), 0, 0);
    // white * (1 - 128/255) is about 127.
    EXPECT_NEAR(GetRValue(c.At(0, 0)), 127, 2);
    EXPECT_NEAR(GetBValue(c.At(0, 0)), 127, 2);
}

}  // namespace
