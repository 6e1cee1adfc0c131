// The narrow interface through which the defragmenter reaches the volume.
// Production issues the file system's control requests on the real volume
// and file handles; the simulated volume (SimVolume.h) behaves the same way
// for tests and benchmarks. No windows.h here: results are the system's
// error codes as plain numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vol {

// The system error codes these requests report.
inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorHandleEof = 38;
inline constexpr uint32_t kErrorNotSupported = 50;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorMoreData = 234;

// The cluster number of an extent that has no clusters on disk.
inline constexpr uint64_t kVirtualLcn = ~0ULL;

// One extent of a file as the retrieval request returns it: its first
// cluster on disk (or kVirtualLcn) and the file-relative cluster just past it.
struct Extent {
    uint64_t lcn = 0;
    uint64_t nextVcn = 0;
};

// The fields of the NTFS volume data the defragmenter uses.
struct NtfsData {
    uint64_t totalClusters = 0;
    uint64_t bytesPerCluster = 0;
    uint64_t mftValidDataLength = 0;  // bytes
    uint64_t mftStartLcn = 0;
    uint64_t mft2StartLcn = 0;
    uint64_t mftZoneStart = 0;
    uint64_t mftZoneEnd = 0;
};

// A source of the volume's cluster bitmap (bit set = cluster in use, bit i
// of byte j is cluster startingLcn + 8j + i).
class BitmapReader {
public:
    virtual ~BitmapReader() = default;
    // As the volume bitmap request: the start is rounded down to a multiple
    // of 8 and returned in *startingLcn, *bitmapSize is the number of
    // clusters from there to the end of the volume, and the buffer receives
    // as much of the bitmap as fits. kErrorMoreData when more bitmap
    // follows; kErrorInvalidParameter for a start at or beyond the end.
    virtual uint32_t ReadBitmap(uint64_t start, uint64_t* startingLcn, uint64_t* bitmapSize, uint8_t* buffer,
                                size_t bufferBytes) = 0;
};

// A file opened for reading its extents and moving its clusters.
class VolumeFile {
public:
    virtual ~VolumeFile() = default;
    // As the retrieval pointers request: extents from the one holding
    // startVcn on (*firstVcn receives that extent's starting VCN), at most
    // capacity of them. kErrorMoreData when more follow; kErrorHandleEof for
    // a file without clusters or a start past its end.
    virtual uint32_t ReadExtents(uint64_t startVcn, uint64_t* firstVcn, Extent* out, size_t capacity,
                                 size_t* count) = 0;
    virtual bool Flush() = 0;
};

class Volume : public BitmapReader {
public:
    virtual uint32_t ReadNtfsData(NtfsData* out) = 0;
    // Opens the file at `path` (a "\\?\" path) for attribute reading;
    // null and *error on failure.
    virtual std::unique_ptr<VolumeFile> OpenFile(const std::wstring& path, uint32_t* error) = 0;
    // As the move request: `count` clusters of the file from startVcn to
    // destLcn on.
    virtual uint32_t MoveClusters(VolumeFile& file, uint64_t startVcn, uint64_t destLcn, uint32_t count) = 0;
};

}  // namespace vol
