#include "defrag/WinVolume.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "core/Handles.h"

namespace defrag {
namespace {

uint32_t LastErrorUnless(BOOL ok) { return ok ? vol::kOk : static_cast<uint32_t>(GetLastError()); }

class WinFile : public vol::VolumeFile {
public:
    explicit WinFile(HANDLE h) : file_(h) {}
    HANDLE get() const { return file_.get(); }

    uint32_t ReadExtents(uint64_t startVcn, uint64_t* firstVcn, vol::Extent* out, size_t capacity,
                         size_t* count) override
    {
        *count = 0;
        STARTING_VCN_INPUT_BUFFER in{};
        in.StartingVcn.QuadPart = static_cast<LONGLONG>(startVcn);
        const size_t head = offsetof(RETRIEVAL_POINTERS_BUFFER, Extents);
        std::vector<unsigned char> buf(head + capacity * sizeof(RETRIEVAL_POINTERS_BUFFER::Extents[0]));
        DWORD got = 0;
        uint32_t err = LastErrorUnless(DeviceIoControl(file_.get(), FSCTL_GET_RETRIEVAL_POINTERS, &in, sizeof in,
                                                       buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr));
        if (err != vol::kOk && err != vol::kErrorMoreData) return err;
        if (got < head) return err;
        auto* rp = reinterpret_cast<RETRIEVAL_POINTERS_BUFFER*>(buf.data());
        *firstVcn = static_cast<uint64_t>(rp->StartingVcn.QuadPart);
        size_t n = std::min<size_t>(rp->ExtentCount, capacity);
        for (size_t i = 0; i < n; ++i) {
            out[i].lcn = static_cast<uint64_t>(rp->Extents[i].Lcn.QuadPart);
            out[i].nextVcn = static_cast<uint64_t>(rp->Extents[i].NextVcn.QuadPart);
        }
        *count = n;
        return err;
    }

    bool Flush() override { return FlushFileBuffers(file_.get()) != FALSE; }

private:
    UniqueFile file_;
};

class WinVolume : public vol::Volume {
public:
    explicit WinVolume(HANDLE h) : volume_(h) {}

    uint32_t ReadBitmap(uint64_t start, uint64_t* startingLcn, uint64_t* bitmapSize, uint8_t* buffer,
                        size_t bufferBytes) override
    {
        STARTING_LCN_INPUT_BUFFER in{};
        in.StartingLcn.QuadPart = static_cast<LONGLONG>(start);
        const size_t head = offsetof(VOLUME_BITMAP_BUFFER, Buffer);
        std::vector<unsigned char> buf(head + bufferBytes);
        DWORD got = 0;
        uint32_t err = LastErrorUnless(DeviceIoControl(volume_.get(), FSCTL_GET_VOLUME_BITMAP, &in, sizeof in,
                                                       buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr));
        if (err != vol::kOk && err != vol::kErrorMoreData) return err;
        if (got < head) return vol::kErrorInsufficientBuffer;
        auto* vb = reinterpret_cast<VOLUME_BITMAP_BUFFER*>(buf.data());
        *startingLcn = static_cast<uint64_t>(vb->StartingLcn.QuadPart);
        *bitmapSize = static_cast<uint64_t>(vb->BitmapSize.QuadPart);
        std::memcpy(buffer, buf.data() + head, std::min<size_t>(got - head, bufferBytes));
        return err;
    }

    uint32_t ReadNtfsData(vol::NtfsData* out) override
    {
        NTFS_VOLUME_DATA_BUFFER d{};
        static_assert(sizeof d == 96, "the NTFS volume data is 96 bytes");
        DWORD got = 0;
        uint32_t err = LastErrorUnless(DeviceIoControl(volume_.get(), FSCTL_GET_NTFS_VOLUME_DATA, nullptr, 0, &d,
                                                       sizeof d, &got, nullptr));
        if (err != vol::kOk) return err;
        out->totalClusters = static_cast<uint64_t>(d.TotalClusters.QuadPart);
        out->bytesPerCluster = d.BytesPerCluster;
        out->mftValidDataLength = static_cast<uint64_t>(d.MftValidDataLength.QuadPart);
        out->mftStartLcn = static_cast<uint64_t>(d.MftStartLcn.QuadPart);
        out->mft2StartLcn = static_cast<uint64_t>(d.Mft2StartLcn.QuadPart);
        out->mftZoneStart = static_cast<uint64_t>(d.MftZoneStart.QuadPart);
        out->mftZoneEnd = static_cast<uint64_t>(d.MftZoneEnd.QuadPart);
        return vol::kOk;
    }

    std::unique_ptr<vol::VolumeFile> OpenFile(const std::wstring& path, uint32_t* error) override
    {
        HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_NO_BUFFERING, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            if (error) *error = GetLastError();
            return nullptr;
        }
        return std::make_unique<WinFile>(h);
    }

    uint32_t MoveClusters(vol::VolumeFile& file, uint64_t startVcn, uint64_t destLcn, uint32_t count) override
    {
        MOVE_FILE_DATA move{};
        move.FileHandle = static_cast<WinFile&>(file).get();
        move.StartingVcn.QuadPart = static_cast<LONGLONG>(startVcn);
        move.StartingLcn.QuadPart = static_cast<LONGLONG>(destLcn);
        move.ClusterCount = count;
        DWORD got = 0;
        return LastErrorUnless(
            DeviceIoControl(volume_.get(), FSCTL_MOVE_FILE, &move, sizeof move, nullptr, 0, &got, nullptr));
    }

private:
    UniqueFile volume_;
};

}  // namespace

std::unique_ptr<vol::Volume> OpenWinVolume(const std::wstring& volumeName, uint32_t* error)
{
    HANDLE h = CreateFileW(volumeName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return nullptr;
    }
    return std::make_unique<WinVolume>(h);
}

}  // namespace defrag
