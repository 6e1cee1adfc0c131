#include <windows.h>

#include "core/Callbacks.h"
#include "core/Handles.h"
#include "defrag/DefragOps.h"
#include "defrag/PendingSwap.h"
#include "pure/TextRules.h"

namespace defrag {
namespace {

struct HiveKey {
    HKEY root = nullptr;
    std::wstring subKey;
};

// \REGISTRY\<root>\<subkey>: MACHINE is HKEY_LOCAL_MACHINE, USER is
// HKEY_USERS, any other root has no handle.
bool SplitKeyName(const std::wstring& name, HiveKey* out)
{
    if (name.size() <= 1) return false;
    std::wstring rest = name.substr(1);
    size_t slash = rest.find(L'\\');
    if (slash == std::wstring::npos || pure::ToUpper(rest.substr(0, slash)) != L"REGISTRY") return false;
    std::wstring after = rest.substr(slash + 1);
    size_t second = after.find(L'\\');
    if (second == std::wstring::npos) return false;
    std::wstring root = pure::ToUpper(after.substr(0, second));
    out->root = root == L"MACHINE" ? HKEY_LOCAL_MACHINE : root == L"USER" ? HKEY_USERS : nullptr;
    out->subKey = after.substr(second + 1);
    return true;
}

LONG ReplaceKey(HKEY root, const std::wstring& subKey, const std::wstring& newFile, const std::wstring& oldFile)
{
    const Seams& seams = CurrentSeams();
    if (seams.replaceKey) return seams.replaceKey(root, subKey, newFile, oldFile);
    return RegReplaceKeyW(root, subKey.c_str(), newFile.c_str(), oldFile.c_str());
}

int Failed(HiveItem& hive, const std::wstring& status, int result = 0)
{
    ui::DefragStatusText(status);
    hive.error = 1;
    return result;
}

}  // namespace

int CompactHive(DefragContext& ctx, HiveItem& hive)
{
    HiveKey key;
    if (!SplitKeyName(hive.keyName, &key)) return 1;
    ui::DefragStatusText(L"processing file for the key : " + hive.path);

    const std::wstring saved = hive.path + L".rns", copy = hive.path + L".rnew", old = hive.path + L".rold";
    {
        HKEY raw = nullptr;
        if (!key.root || RegOpenKeyExW(key.root, key.subKey.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
            return Failed(hive, L"open fail : " + hive.keyName);
        UniqueHKey open(raw);
        DeleteFileW(saved.c_str());
        DeleteFileW(copy.c_str());
        if (RegSaveKeyW(open.get(), saved.c_str(), nullptr) != ERROR_SUCCESS)
            return Failed(hive, L"analyze fail : " + hive.keyName);
    }
    if (!CopyFileW(saved.c_str(), copy.c_str(), FALSE)) return Failed(hive, L"analyze fail : " + hive.keyName);
    hive.compactCopy = MakeHiveItem(copy, hive.keyName);
    if (!hive.compactCopy) return Failed(hive, L"analyze fail : " + hive.keyName);
    hive.state = 3;

    if (hive.compactCopy->size == hive.size) {
        ui::DefragStatusText(L"compacted : " + hive.keyName);
        hive.flags |= 1;
    } else {
        hive.flags &= ~1;
        ui::DefragStatusText(L"compacting : " + hive.keyName);
        HKEY raw = nullptr;
        // The access value is ignored with the backup option.
        if (RegCreateKeyExW(key.root, key.subKey.c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE, 100, nullptr, &raw,
                            nullptr) != ERROR_SUCCESS)
            return Failed(hive, L"fail compact : " + hive.keyName);
        UniqueHKey created(raw);
        DeleteFileW(old.c_str());
        // Recorded first: a queued swap nobody knows of would throw away
        // every later change to the registry at the restart.
        if (!RecordPendingSwap(hive.keyName, saved))
            return Failed(hive, L"fail compact : " + hive.keyName + L" (the pending swap could not be recorded)");
        if (ReplaceKey(key.root, key.subKey, saved, old) != ERROR_SUCCESS) {
            ForgetPendingSwap(hive.keyName);
            return Failed(hive,
                          L"fail compact : " + hive.keyName +
                              L" THE REGISTRY FILES MAYBE OPENED EXCLUSIVELY BY OTHER APPS, RESTARTING COMPUTER "
                              L"MAY RESOLVE THIS PROBLEM.",
                          2);
        }
        created.reset();
        ui::DefragStatusText(L"compacted : " + hive.keyName);
        hive.flags |= 1;
    }

    ui::DefragStatusText(L"analyze fragment : " + hive.path);
    auto file = OpenHiveForMove(ctx, hive);
    if (!file) return 0;
    const bool read = ReadHiveExtents(ctx, hive, *file);
    file.reset();
    if (!read) {
        hive.unmovable = 1;  // partial extents: never move it
        return 0;
    }
    if (IsHiveRangeFragmented(hive, 0, hive.clusters)) {
        hive.flags |= 2;
        ui::DefragStatusText(L"fragmented : " + hive.path);
    } else {
        hive.flags &= ~2;
        ui::DefragStatusText(L"nonfragmented : " + hive.path);
    }
    hive.state = 3;
    if (LoadFlag(ctx.redraw) == 1)
        DrawVolumeMap(ctx, false);
    else
        DrawHiveExtents(ctx, hive, DrawMode::Normal);
    return 0;
}

}  // namespace defrag
