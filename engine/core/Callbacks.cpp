#include "core/Callbacks.h"

#include <atomic>

namespace ui {
namespace {
std::atomic<UiCallbackTable*> g_table{nullptr};

uint32_t Lo(uint64_t v) { return static_cast<uint32_t>(v); }
uint32_t Hi(uint64_t v) { return static_cast<uint32_t>(v >> 32); }

template <class Fn, class... Args>
void Raise(Fn UiCallbackTable::*slot, Args... args)
{
    UiCallbackTable* t = g_table.load();
    if (t && t->*slot) (t->*slot)(args...);
}
}  // namespace

void SetTable(UiCallbackTable* table) { g_table.store(table); }
UiCallbackTable* Table() { return g_table.load(); }

void ScanStarted() { Raise(&UiCallbackTable::OnScanStarted); }
void ScanCategory(int i) { Raise(&UiCallbackTable::OnScanCategory, i); }
void ScanItem(const std::wstring& text, int examined) { Raise(&UiCallbackTable::OnScanItem, &text, examined); }
void ScanFinished(int stopped) { Raise(&UiCallbackTable::OnScanFinished, stopped); }
void FixProgress(int i) { Raise(&UiCallbackTable::OnFixProgress, i); }
void FixItem(const std::wstring& text, int n) { Raise(&UiCallbackTable::OnFixItem, &text, n); }
void FixFinished(int stopped) { Raise(&UiCallbackTable::OnFixFinished, stopped); }
void BackupFinished(int mode) { Raise(&UiCallbackTable::OnBackupFinished, mode); }
void RestoreFinished(const std::wstring& name) { Raise(&UiCallbackTable::OnRestoreFinished, &name); }
void DefragPhase(int phase) { Raise(&UiCallbackTable::OnDefragPhase, phase); }
void DefragItem(int i, int kind) { Raise(&UiCallbackTable::OnDefragItem, i, kind); }
void DefragDetail(int i, uint64_t count, uint64_t from, uint64_t to, uint64_t vcn)
{
    Raise(&UiCallbackTable::OnDefragDetail, i, Lo(count), Hi(count), Lo(from), Hi(from), Lo(to), Hi(to),
          Lo(vcn), Hi(vcn));
}
void DefragDrawRange(uint64_t total, uint64_t first, uint64_t end, int colour)
{
    Raise(&UiCallbackTable::OnDefragDrawRange, Lo(total), Hi(total), Lo(first), Hi(first), Lo(end), Hi(end),
          colour);
}
void DefragClearMap() { Raise(&UiCallbackTable::OnDefragClearMap); }
void DefragStatusText(const std::wstring& text) { Raise(&UiCallbackTable::OnDefragStatusText, &text); }
void DefragFinished(int phase, int result) { Raise(&UiCallbackTable::OnDefragFinished, phase, result); }
void DefragBusy() { Raise(&UiCallbackTable::OnDefragBusy); }
void DefragIdle(PtrArray<HiveItem>* hives) { Raise(&UiCallbackTable::OnDefragIdle, hives); }

}  // namespace ui
