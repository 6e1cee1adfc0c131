#include <gtest/gtest.h>

#include <vector>

#include "pure/SimVolume.h"

using vol::Extent;
using vol::kVirtualLcn;
using vol::SimVolume;

namespace {

std::vector<Extent> Read(vol::VolumeFile& f, uint64_t start, size_t capacity, uint32_t* err, uint64_t* first)
{
    std::vector<Extent> out(capacity);
    size_t n = 0;
    *err = f.ReadExtents(start, first, out.data(), out.size(), &n);
    out.resize(n);
    return out;
}

bool SameExtents(const std::vector<Extent>& a, const std::vector<Extent>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].lcn != b[i].lcn || a[i].nextVcn != b[i].nextVcn) return false;
    return true;
}

}  // namespace

TEST(SimVolume, BitmapRequestRoundsTheStartAndReportsMoreData)
{
    SimVolume v(100);
    v.MarkUsed(9, 2);
    uint8_t buf[4] = {};
    uint64_t start = 0, size = 0;
    EXPECT_EQ(v.ReadBitmap(13, &start, &size, buf, 1), vol::kErrorMoreData);
    EXPECT_EQ(start, 8u);
    EXPECT_EQ(size, 92u);
    EXPECT_EQ(buf[0], 0x06);
    EXPECT_EQ(v.ReadBitmap(96, &start, &size, buf, 4), vol::kOk);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(v.ReadBitmap(100, &start, &size, buf, 4), vol::kErrorInvalidParameter);
}

TEST(SimVolume, ExtentRequestContinuesAndEnds)
{
    SimVolume v(1000);
    v.AddFile(L"c:\\f", {{100, 4}, {kVirtualLcn, 6}, {200, 9}});
    v.AddFile(L"c:\\resident", {});
    EXPECT_TRUE(v.IsUsed(103));
    EXPECT_TRUE(v.IsUsed(202));
    EXPECT_FALSE(v.IsUsed(203));

    uint32_t err = 0;
    auto f = v.OpenFile(L"\\\\?\\C:\\F", &err);
    ASSERT_TRUE(f);
    uint64_t first = 99;
    auto got = Read(*f, 0, 2, &err, &first);
    EXPECT_EQ(err, vol::kErrorMoreData);
    EXPECT_EQ(first, 0u);
    EXPECT_TRUE(SameExtents(got, {{100, 4}, {kVirtualLcn, 6}}));
    got = Read(*f, 7, 2, &err, &first);  // inside the last extent
    EXPECT_EQ(err, vol::kOk);
    EXPECT_EQ(first, 6u);
    EXPECT_TRUE(SameExtents(got, {{200, 9}}));
    Read(*f, 9, 2, &err, &first);
    EXPECT_EQ(err, vol::kErrorHandleEof);

    auto r = v.OpenFile(L"\\\\?\\c:\\resident", &err);
    ASSERT_TRUE(r);
    Read(*r, 0, 2, &err, &first);
    EXPECT_EQ(err, vol::kErrorHandleEof);

    EXPECT_FALSE(v.OpenFile(L"\\\\?\\c:\\missing", &err));
    EXPECT_EQ(err, vol::kErrorFileNotFound);
}

TEST(SimVolume, MovesBehaveAsTheFileSystem)
{
    SimVolume v(1000);
    v.SetMft(10, 20);
    v.SetMftZone(30, 100);
    v.SetMirror(500, 2);
    v.MarkUsed(700, 1);
    v.AddFile(L"c:\\f", {{200, 4}, {kVirtualLcn, 6}, {300, 10}});
    uint32_t err = 0;
    auto f = v.OpenFile(L"c:\\f", &err);
    ASSERT_TRUE(f);

    struct Case {
        const char* what;
        uint64_t vcn, dest;
        uint32_t count, result;
    } refused[] = {
        {"into clusters in use", 0, 698, 4, vol::kErrorAccessDenied},
        {"into the MFT", 0, 25, 4, vol::kErrorAccessDenied},
        {"into the MFT zone", 0, 90, 4, vol::kErrorAccessDenied},
        {"into the mirror", 0, 499, 4, vol::kErrorAccessDenied},
        {"past the file's end", 8, 600, 4, vol::kErrorInvalidParameter},
        {"past the volume's end", 0, 998, 4, vol::kErrorInvalidParameter},
        {"nothing", 0, 600, 0, vol::kErrorInvalidParameter},
    };
    for (const Case& c : refused) EXPECT_EQ(v.MoveClusters(*f, c.vcn, c.dest, c.count), c.result) << c.what;
    EXPECT_TRUE(SameExtents(v.FileExtents(L"c:\\f"), {{200, 4}, {kVirtualLcn, 6}, {300, 10}}));

    // Part of the last extent: it splits, the old clusters become free.
    ASSERT_EQ(v.MoveClusters(*f, 8, 600, 2), vol::kOk);
    EXPECT_TRUE(SameExtents(v.FileExtents(L"c:\\f"), {{200, 4}, {kVirtualLcn, 6}, {300, 8}, {600, 10}}));
    EXPECT_FALSE(v.IsUsed(302));
    EXPECT_TRUE(v.IsUsed(601));

    // The whole file next to the moved part: the virtual extent stays and the
    // real ones join up.
    ASSERT_EQ(v.MoveClusters(*f, 0, 592, 8), vol::kOk);
    EXPECT_TRUE(SameExtents(v.FileExtents(L"c:\\f"), {{592, 4}, {kVirtualLcn, 6}, {598, 10}}));
    EXPECT_FALSE(v.IsUsed(200));
    EXPECT_FALSE(v.IsUsed(301));
    EXPECT_FALSE(v.IsUsed(596));
    EXPECT_TRUE(v.IsUsed(599));
    EXPECT_EQ(v.Moves().size(), 9u);

    v.FailMoves(L"c:\\f", vol::kErrorNotSupported);
    EXPECT_EQ(v.MoveClusters(*f, 0, 800, 1), vol::kErrorNotSupported);
}

TEST(SimVolume, NtfsDataDescribesTheLayout)
{
    SimVolume v(4096, 512);
    v.SetMft(100, 8);
    v.SetMftZone(108, 300);
    v.SetMirror(2048, 8);
    vol::NtfsData d;
    ASSERT_EQ(v.ReadNtfsData(&d), vol::kOk);
    EXPECT_EQ(d.totalClusters, 4096u);
    EXPECT_EQ(d.bytesPerCluster, 512u);
    EXPECT_EQ(d.mftValidDataLength, 8u * 512u);
    EXPECT_EQ(d.mftStartLcn, 100u);
    EXPECT_EQ(d.mft2StartLcn, 2048u);
    EXPECT_EQ(d.mftZoneStart, 108u);
    EXPECT_EQ(d.mftZoneEnd, 300u);
    v.FailNtfsData(vol::kErrorNotSupported);
    EXPECT_EQ(v.ReadNtfsData(&d), vol::kErrorNotSupported);
}
