#include "pure/SimVolume.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace vol {
namespace {

std::wstring KeyOf(const std::wstring& path)
{
    std::wstring p = path.compare(0, 4, L"\\\\?\\") == 0 ? path.substr(4) : path;
    for (wchar_t& ch : p)
        if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
    return p;
}

// One extent as a run of file clusters: [vcn, vcn + len) at lcn (or virtual).
struct Piece {
    uint64_t vcn;
    uint64_t len;
    uint64_t lcn;
};

std::vector<Piece> ToPieces(const std::vector<Extent>& extents)
{
    std::vector<Piece> out;
    uint64_t vcn = 0;
    for (const Extent& e : extents) {
        out.push_back({vcn, e.nextVcn - vcn, e.lcn});
        vcn = e.nextVcn;
    }
    return out;
}

std::vector<Extent> ToExtents(const std::vector<Piece>& pieces)
{
    std::vector<Extent> out;
    for (const Piece& p : pieces) {
        if (p.len == 0) continue;
        if (!out.empty()) {
            Extent& last = out.back();
            uint64_t lastLen = last.nextVcn - (out.size() > 1 ? out[out.size() - 2].nextVcn : 0);
            bool joinVirtual = last.lcn == kVirtualLcn && p.lcn == kVirtualLcn;
            bool joinReal = last.lcn != kVirtualLcn && p.lcn != kVirtualLcn && last.lcn + lastLen == p.lcn;
            if (joinVirtual || joinReal) {
                last.nextVcn = p.vcn + p.len;
                continue;
            }
        }
        out.push_back({p.lcn, p.vcn + p.len});
    }
    return out;
}

}  // namespace

class SimVolume::Handle : public VolumeFile {
public:
    Handle(SimVolume& v, File& f) : volume(v), file(f) {}
    uint32_t ReadExtents(uint64_t startVcn, uint64_t* firstVcn, Extent* out, size_t capacity,
                         size_t* count) override
    {
        std::lock_guard<std::mutex> lock(volume.mutex_);
        return volume.ReadExtents(file, startVcn, firstVcn, out, capacity, count);
    }
    bool Flush() override { return true; }
    SimVolume& volume;
    File& file;
};

SimVolume::SimVolume(uint64_t totalClusters, uint64_t bytesPerCluster)
    : total_(totalClusters), bytesPerCluster_(bytesPerCluster), words_((totalClusters + 63) / 64, 0)
{
}

void SimVolume::SetRange(uint64_t first, uint64_t count, bool used)
{
    if (first > total_ || count > total_ - first) throw std::out_of_range("cluster range beyond the volume");
    uint64_t c = first, end = first + count;
    while (c < end && (c & 63)) {
        if (used) words_[c >> 6] |= 1ULL << (c & 63); else words_[c >> 6] &= ~(1ULL << (c & 63));
        ++c;
    }
    for (; c + 64 <= end; c += 64) words_[c >> 6] = used ? ~0ULL : 0;
    for (; c < end; ++c) {
        if (used) words_[c >> 6] |= 1ULL << (c & 63); else words_[c >> 6] &= ~(1ULL << (c & 63));
    }
}

void SimVolume::SetMft(uint64_t startLcn, uint64_t clusters)
{
    std::lock_guard<std::mutex> lock(mutex_);
    mftStart_ = startLcn;
    mftClusters_ = clusters;
    SetRange(startLcn, clusters, true);
}

void SimVolume::SetMftZone(uint64_t first, uint64_t end)
{
    std::lock_guard<std::mutex> lock(mutex_);
    zoneFirst_ = first;
    zoneEnd_ = end;
}

void SimVolume::SetMirror(uint64_t startLcn, uint64_t clusters)
{
    std::lock_guard<std::mutex> lock(mutex_);
    mirrorStart_ = startLcn;
    SetRange(startLcn, clusters, true);
}

void SimVolume::MarkUsed(uint64_t first, uint64_t count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    SetRange(first, count, true);
}

void SimVolume::MarkFree(uint64_t first, uint64_t count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    SetRange(first, count, false);
}

bool SimVolume::IsUsed(uint64_t lcn) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lcn < total_ && Used(lcn);
}

void SimVolume::AddFile(const std::wstring& path, const std::vector<Extent>& extents)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto f = std::make_unique<File>();
    f->key = KeyOf(path);
    f->path = path;
    f->extents = extents;
    for (const Piece& p : ToPieces(extents))
        if (p.lcn != kVirtualLcn) SetRange(p.lcn, p.len, true);
    files_.push_back(std::move(f));
}

SimVolume::File* SimVolume::Find(const std::wstring& path) const
{
    std::wstring key = KeyOf(path);
    for (const auto& f : files_)
        if (f->key == key) return f.get();
    return nullptr;
}

SimVolume::File& SimVolume::FindOrFail(const std::wstring& path) const
{
    File* f = Find(path);
    if (!f) throw std::invalid_argument("no such simulated file");
    return *f;
}

std::vector<Extent> SimVolume::FileExtents(const std::wstring& path) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return FindOrFail(path).extents;
}

void SimVolume::FailBitmap(uint32_t error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    bitmapError_ = error;
}
void SimVolume::FailNtfsData(uint32_t error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ntfsError_ = error;
}
void SimVolume::FailOpen(const std::wstring& path, uint32_t error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    FindOrFail(path).openError = error;
}
void SimVolume::FailExtents(const std::wstring& path, uint32_t error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    FindOrFail(path).extentError = error;
}
void SimVolume::FailMoves(const std::wstring& path, uint32_t error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    FindOrFail(path).moveError = error;
}

std::vector<SimVolume::MoveRecord> SimVolume::Moves() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return moves_;
}

int SimVolume::BitmapCalls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return bitmapCalls_;
}

uint32_t SimVolume::ReadBitmap(uint64_t start, uint64_t* startingLcn, uint64_t* bitmapSize, uint8_t* buffer,
                               size_t bufferBytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++bitmapCalls_;
    if (bitmapError_) return bitmapError_;
    if (start >= total_) return kErrorInvalidParameter;
    const uint64_t s = start & ~7ULL;
    *startingLcn = s;
    *bitmapSize = total_ - s;
    const uint64_t need = (total_ - s + 7) / 8;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(need, bufferBytes));
    std::memcpy(buffer, reinterpret_cast<const uint8_t*>(words_.data()) + s / 8, n);
    return n < need ? kErrorMoreData : kOk;
}

uint32_t SimVolume::ReadNtfsData(NtfsData* out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (ntfsError_) return ntfsError_;
    out->totalClusters = total_;
    out->bytesPerCluster = bytesPerCluster_;
    out->mftValidDataLength = mftClusters_ * bytesPerCluster_;
    out->mftStartLcn = mftStart_;
    out->mft2StartLcn = mirrorStart_;
    out->mftZoneStart = zoneFirst_;
    out->mftZoneEnd = zoneEnd_;
    return kOk;
}

std::unique_ptr<VolumeFile> SimVolume::OpenFile(const std::wstring& path, uint32_t* error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    File* f = Find(path);
    if (!f || f->openError) {
        if (error) *error = f ? f->openError : kErrorFileNotFound;
        return nullptr;
    }
    return std::make_unique<Handle>(*this, *f);
}

uint32_t SimVolume::ReadExtents(const File& f, uint64_t startVcn, uint64_t* firstVcn, Extent* out,
                                size_t capacity, size_t* count) const
{
    *count = 0;
    if (f.extentError) return f.extentError;
    if (capacity == 0) return kErrorInsufficientBuffer;
    uint64_t prev = 0;
    size_t i = 0;
    while (i < f.extents.size() && f.extents[i].nextVcn <= startVcn) prev = f.extents[i++].nextVcn;
    if (i == f.extents.size()) return kErrorHandleEof;
    *firstVcn = prev;
    size_t n = 0;
    for (; i < f.extents.size() && n < capacity; ++i) out[n++] = f.extents[i];
    *count = n;
    return i < f.extents.size() ? kErrorMoreData : kOk;
}

uint32_t SimVolume::MoveClusters(VolumeFile& file, uint64_t startVcn, uint64_t destLcn, uint32_t count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    File& f = static_cast<Handle&>(file).file;
    auto record = [&](uint32_t result) {
        moves_.push_back({f.path, startVcn, destLcn, count, result});
        return result;
    };
    if (f.moveError) return record(f.moveError);
    const uint64_t fileEnd = f.extents.empty() ? 0 : f.extents.back().nextVcn;
    if (count == 0 || startVcn >= fileEnd || count > fileEnd - startVcn || destLcn >= total_ ||
        count > total_ - destLcn)
        return record(kErrorInvalidParameter);
    const uint64_t endVcn = startVcn + count;

    // Split the pieces at the range's edges.
    std::vector<Piece> pieces;
    for (Piece p : ToPieces(f.extents)) {
        for (uint64_t cut : {startVcn, endVcn}) {
            if (cut > p.vcn && cut < p.vcn + p.len) {
                uint64_t head = cut - p.vcn;
                pieces.push_back({p.vcn, head, p.lcn});
                p = {cut, p.len - head, p.lcn == kVirtualLcn ? kVirtualLcn : p.lcn + head};
            }
        }
        pieces.push_back(p);
    }
    // Every destination cluster must be free and outside the MFT zone.
    for (const Piece& p : pieces) {
        if (p.lcn == kVirtualLcn || p.vcn < startVcn || p.vcn >= endVcn) continue;
        uint64_t to = destLcn + (p.vcn - startVcn);
        for (uint64_t c = to; c < to + p.len; ++c)
            if (Used(c) || (c >= zoneFirst_ && c < zoneEnd_)) return record(kErrorAccessDenied);
    }
    for (Piece& p : pieces) {
        if (p.lcn == kVirtualLcn || p.vcn < startVcn || p.vcn >= endVcn) continue;
        SetRange(p.lcn, p.len, false);
        p.lcn = destLcn + (p.vcn - startVcn);
        SetRange(p.lcn, p.len, true);
    }
    f.extents = ToExtents(pieces);
    return record(kOk);
}

}  // namespace vol
