#include <windows.h>

#include <cstdio>

#include "core/Callbacks.h"
#include "core/Handles.h"
#include "defrag/DefragOps.h"
#include "defrag/WinVolume.h"

namespace defrag {
namespace {

int* g_running = nullptr;
int* g_redraw = nullptr;

bool EnablePrivilege(HANDLE token, const wchar_t* name)
{
    TOKEN_PRIVILEGES tp{};
    if (!LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid)) return false;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    return AdjustTokenPrivileges(token, FALSE, &tp, sizeof tp, nullptr, nullptr) &&
           GetLastError() == ERROR_SUCCESS;
}

// An analysis that cannot go on still ends as one, so the page leaves its
// analysing state.
DWORD EndEarly(DefragContext& ctx, const wchar_t* why)
{
    ctx.volume.reset();
    ui::DefragStatusText(std::wstring(why) + L" The volume cannot be analysed.");
    StoreFlag(ctx.running, 2);
    ui::DefragFinished(1, 1);
    return 0;
}

// The hibernation file holds a non-zero signature while the system is
// hibernated; its volume must not be touched then.
bool Hibernated(const std::wstring& mountPointSlash)
{
    UniqueFile f(CreateFileW((mountPointSlash + L"hiberfil.sys").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr));
    if (!f) return false;
    DWORD value = 0, got = 0;
    return ReadFile(f.get(), &value, sizeof value, &got, nullptr) && got == sizeof value && value != 0;
}

void ReadZones(DefragContext& ctx)
{
    ULARGE_INTEGER totalBytes{};
    if (ctx.totalClusters && GetDiskFreeSpaceExW(ctx.mountPointSlash.c_str(), nullptr, &totalBytes, nullptr))
        ctx.bytesPerCluster = totalBytes.QuadPart / ctx.totalClusters;
    vol::NtfsData d;
    if (ctx.volume->ReadNtfsData(&d) != vol::kOk || d.bytesPerCluster == 0) return;
    ctx.bytesPerCluster = d.bytesPerCluster;
    const uint64_t mftClusters = d.mftValidDataLength / d.bytesPerCluster;
    ctx.zones.mft = {d.mftStartLcn, d.mftStartLcn + mftClusters};
    ctx.zones.mftZone = {d.mftZoneStart, d.mftZoneEnd};
    ctx.zones.mirror = {d.mft2StartLcn, d.mft2StartLcn + mftClusters};
}

void ReadHivelist()
{
    const Seams& seams = CurrentSeams();
    HKEY raw = nullptr;
    if (RegOpenKeyW(seams.hivelistRoot, seams.hivelistPath.c_str(), &raw) != ERROR_SUCCESS) return;
    UniqueHKey key(raw);
    DWORD count = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0; i < count; ++i) {
        wchar_t name[520] = {};
        wchar_t data[261] = {};  // 520 bytes and a terminator
        DWORD nameLength = 520, dataBytes = 520, type = 0;
        if (RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                          &dataBytes) != ERROR_SUCCESS ||
            type != REG_SZ)
            continue;
        std::wstring path(data, dataBytes / sizeof(wchar_t));
        while (!path.empty() && path.back() == L'\0') path.pop_back();
        OfferHivelistValue(path, std::wstring(name, nameLength));
    }
}

}  // namespace

void SetAnalysisFlags(int* running, int* redraw)
{
    g_running = running;
    g_redraw = redraw;
}

void EndUnstarted(int phase)
{
    ui::DefragStatusText(L"The worker thread could not be started.");
    if (phase == 1)
        StoreFlag(g_running, 2);
    else if (DefragContext* ctx = Context())
        StoreFlag(ctx->running, 2);
    ui::DefragFinished(phase, 1);
}

DWORD WINAPI AnalysisThread(void*)
{
    Release();
    BuildDeviceMap();
    DefragContext& ctx = CreateContext();
    CreateHives();
    ctx.running = g_running;
    ctx.redraw = g_redraw;
    StoreFlag(ctx.running, 0);
    ctx.phase = 1;
    ui::DefragPhase(1);
    ui::DefragStatusText(L"Initializing...");

    {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
            return EndEarly(ctx, L"The process token cannot be opened.");
        UniqueHandle token(raw);
        if (!EnablePrivilege(token.get(), L"SeBackupPrivilege"))
            ctx.hooks.diagnostic(L"SeBackupPrivilege cannot be enabled");
        if (!EnablePrivilege(token.get(), L"SeRestorePrivilege"))
            ctx.hooks.diagnostic(L"SeRestorePrivilege cannot be enabled");
    }

    ctx.mountPointSlash = L"c:\\";
    ctx.mountPoint = L"c:";
    wchar_t volumeName[52] = {};
    if (GetVolumeNameForVolumeMountPointW(ctx.mountPointSlash.c_str(), volumeName, 52)) {
        ctx.volumeNameSlash = volumeName;
    } else {
        if (ctx.mountPointSlash.size() > 47) return EndEarly(ctx, L"The volume of c:\\ has no name.");
        ctx.volumeNameSlash = L"\\\\.\\" + ctx.mountPointSlash;
    }
    ctx.volumeName = ctx.volumeNameSlash;
    if (!ctx.volumeName.empty() && ctx.volumeName.back() == L'\\') ctx.volumeName.pop_back();

    if (Hibernated(ctx.mountPointSlash)) return EndEarly(ctx, L"Windows is hibernated on c:\\.");

    uint32_t error = 0;
    const Seams& seams = CurrentSeams();
    ctx.volume = seams.openVolume ? seams.openVolume(ctx.volumeName, &error) : OpenWinVolume(ctx.volumeName, &error);
    if (!ctx.volume) return EndEarly(ctx, L"The volume c:\\ cannot be opened.");

    uint8_t head[8];
    uint64_t start = 0, size = 0;
    error = ctx.volume->ReadBitmap(0, &start, &size, head, sizeof head);
    if (error != vol::kOk && error != vol::kErrorMoreData)
        return EndEarly(ctx, L"The cluster bitmap of c:\\ cannot be read.");
    ctx.totalClusters = start + size;
    ReadZones(ctx);

    ui::DefragStatusText(L"Adding registry hiving list...");
    ReadHivelist();

    ui::DefragStatusText(L"Initialized");
    DrawVolumeMap(ctx, false);

    PtrArray<HiveItem>& hives = *Hives();
    for (HiveItem* hive : hives) {
        auto file = OpenHiveForMove(ctx, *hive);
        if (!file) continue;
        // A file whose extents cannot be read completely is never moved.
        if (!ReadHiveExtents(ctx, *hive, *file)) hive->unmovable = 1;
        file.reset();
        if (IsHiveRangeFragmented(*hive, 0, hive->clusters))
            hive->flags |= 2;
        else
            hive->flags &= ~2;
        hive->state = 1;
        DrawHiveExtents(ctx, *hive, DrawMode::Normal);
        ui::DefragItem(hive->index, 0);
    }

    // Done only now that every hive's extents are read.
    StoreFlag(ctx.running, 2);
    ui::DefragIdle(Hives());
    ui::DefragFinished(1, 0);
    return 0;
}

}  // namespace defrag
