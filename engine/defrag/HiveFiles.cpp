#include <windows.h>

#include "core/Callbacks.h"
#include "core/Handles.h"
#include "defrag/DefragOps.h"
#include "pure/ClusterMap.h"

namespace defrag {
namespace {
constexpr wchar_t kVolumePrefix[] = L"\\Device\\HarddiskVolume";
constexpr size_t kVolumePrefixLength = 22;
constexpr size_t kMaxExtentCalls = 1000;
constexpr size_t kExtentsPerCall = 1000;
}  // namespace

void BuildDeviceMap()
{
    auto& map = DeviceMap();
    for (wchar_t letter = L'a'; letter <= L'z'; ++letter) {
        const wchar_t drive[3] = {letter, L':', 0};
        wchar_t device[512] = {};
        if (QueryDosDeviceW(drive, device, 512)) map[device] = drive;
    }
}

void OfferHivelistValue(const std::wstring& devicePath, const std::wstring& keyName)
{
    if (devicePath.empty() || devicePath.compare(0, kVolumePrefixLength, kVolumePrefix) != 0) return;
    // Only volumes numbered 0 to 9: the device name is the first 23 characters.
    auto found = DeviceMap().find(devicePath.substr(0, kVolumePrefixLength + 1));
    if (found == DeviceMap().end()) return;
    std::wstring path = found->second.substr(0, 3) +
                        (devicePath.size() > kVolumePrefixLength + 1 ? devicePath.substr(kVolumePrefixLength + 1)
                                                                     : std::wstring());
    auto item = MakeHiveItem(path, keyName);
    if (!item) return;
    PtrArray<HiveItem>* hives = Hives();
    if (!hives) hives = &CreateHives();
    item->index = hives->GetCount();
    hives->Add(std::move(item));
}

std::unique_ptr<HiveItem> MakeHiveItem(const std::wstring& path, const std::wstring& keyName)
{
    WIN32_FIND_DATAW fd{};
    UniqueFindHandle find(FindFirstFileW(path.c_str(), &fd));
    if (!find) return nullptr;
    auto item = std::make_unique<HiveItem>();
    item->keyName = keyName;
    item->path = path;
    size_t cut = path.find_last_of(L"\\/");
    item->fileName = cut == std::wstring::npos ? path : path.substr(cut + 1);
    item->size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    return item;
}

std::unique_ptr<vol::VolumeFile> OpenHiveForMove(DefragContext& ctx, const HiveItem& hive)
{
    if (!ctx.volume) return nullptr;
    uint32_t error = 0;
    return ctx.volume->OpenFile(L"\\\\?\\" + hive.path, &error);
}

bool ReadHiveExtents(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file)
{
    hive.clusters = 0;
    while (hive.extents) hive.extents = std::move(hive.extents->next);
    std::unique_ptr<HiveFragment>* tail = &hive.extents;

    std::vector<vol::Extent> buf(kExtentsPerCall);
    uint64_t vcn = 0, prevVcn = 0;
    uint32_t err = vol::kOk;
    size_t calls = 0;
    do {
        if (calls++ == kMaxExtentCalls) {
            ctx.hooks.diagnostic(L"FSCTL_GET_RETRIEVAL_POINTERS error: Infinite loop");
            return false;
        }
        uint64_t first = 0;
        size_t n = 0;
        err = file.ReadExtents(vcn, &first, buf.data(), buf.size(), &n);
        if (err != vol::kOk && err != vol::kErrorMoreData) break;
        for (size_t i = 0; i < n; ++i) {
            if (buf[i].lcn != vol::kVirtualLcn) hive.clusters += buf[i].nextVcn - prevVcn;
            prevVcn = buf[i].nextVcn;
            auto f = std::make_unique<HiveFragment>();
            f->cluster = buf[i].lcn;
            f->nextVcn = buf[i].nextVcn;
            *tail = std::move(f);
            tail = &(*tail)->next;
        }
        if (n) vcn = buf[n - 1].nextVcn;
    } while (err == vol::kErrorMoreData);
    return err == vol::kOk || err == vol::kErrorHandleEof;
}

std::vector<vol::Extent> ExtentsOf(const HiveItem& hive)
{
    std::vector<vol::Extent> out;
    for (const HiveFragment* f = hive.extents.get(); f; f = f->next.get()) out.push_back({f->cluster, f->nextVcn});
    return out;
}

bool IsHiveRangeFragmented(const HiveItem& hive, uint64_t offset, uint64_t size)
{
    std::vector<vol::Extent> e = ExtentsOf(hive);
    return clusters::IsRangeFragmented(e.data(), e.size(), offset, size);
}

}  // namespace defrag
