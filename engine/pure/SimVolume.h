// A simulated NTFS volume behind the volume interface, for tests and
// benchmarks: a cluster bitmap, the master file table with its zone and its
// mirror, and files with extent lists (virtual extents and files without
// clusters included). Requests behave as the file system's do; a move into
// clusters in use or into the MFT zone fails, a successful move frees the
// old clusters. Thread-safe: workers and the test thread may use it at once.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "pure/VolumeAccess.h"

namespace vol {

class SimVolume : public Volume {
public:
    explicit SimVolume(uint64_t totalClusters, uint64_t bytesPerCluster = 4096);

    // Layout. The MFT and its mirror are marked in use; the zone is not.
    void SetMft(uint64_t startLcn, uint64_t clusters);
    void SetMftZone(uint64_t first, uint64_t end);
    void SetMirror(uint64_t startLcn, uint64_t clusters);
    void MarkUsed(uint64_t first, uint64_t count);
    void MarkFree(uint64_t first, uint64_t count);
    bool IsUsed(uint64_t lcn) const;
    uint64_t TotalClusters() const { return total_; }

    // A file at `path` (no "\\?\" prefix, any case); its real clusters are
    // marked in use. No extents: a file whose data has no clusters.
    void AddFile(const std::wstring& path, const std::vector<Extent>& extents);
    std::vector<Extent> FileExtents(const std::wstring& path) const;

    // Failure injection: every later request of that kind fails with `error`
    // (0 clears it).
    void FailBitmap(uint32_t error);
    void FailNtfsData(uint32_t error);
    void FailOpen(const std::wstring& path, uint32_t error);
    void FailExtents(const std::wstring& path, uint32_t error);
    void FailMoves(const std::wstring& path, uint32_t error);

    struct MoveRecord {
        std::wstring path;
        uint64_t startVcn;
        uint64_t destLcn;
        uint32_t count;
        uint32_t result;
    };
    std::vector<MoveRecord> Moves() const;
    int BitmapCalls() const;

    // The raw bitmap, one bit per cluster, for benchmarks.
    const std::vector<uint64_t>& Words() const { return words_; }

    uint32_t ReadBitmap(uint64_t start, uint64_t* startingLcn, uint64_t* bitmapSize, uint8_t* buffer,
                        size_t bufferBytes) override;
    uint32_t ReadNtfsData(NtfsData* out) override;
    std::unique_ptr<VolumeFile> OpenFile(const std::wstring& path, uint32_t* error) override;
    uint32_t MoveClusters(VolumeFile& file, uint64_t startVcn, uint64_t destLcn, uint32_t count) override;

private:
    struct File {
        std::wstring key;  // lower-case path
        std::wstring path;
        std::vector<Extent> extents;
        uint32_t openError = 0;
        uint32_t extentError = 0;
        uint32_t moveError = 0;
    };
    class Handle;

    File* Find(const std::wstring& path) const;
    File& FindOrFail(const std::wstring& path) const;
    void SetRange(uint64_t first, uint64_t count, bool used);
    bool Used(uint64_t lcn) const { return (words_[lcn >> 6] >> (lcn & 63)) & 1; }
    uint32_t ReadExtents(const File& f, uint64_t startVcn, uint64_t* firstVcn, Extent* out, size_t capacity,
                         size_t* count) const;

    mutable std::mutex mutex_;
    uint64_t total_;
    uint64_t bytesPerCluster_;
    std::vector<uint64_t> words_;
    uint64_t mftStart_ = 0, mftClusters_ = 0, mirrorStart_ = 0, zoneFirst_ = 0, zoneEnd_ = 0;
    uint32_t bitmapError_ = 0, ntfsError_ = 0;
    int bitmapCalls_ = 0;
    std::vector<std::unique_ptr<File>> files_;
    std::vector<MoveRecord> moves_;
};

}  // namespace vol
