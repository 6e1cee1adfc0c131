// The program's callback table, kept as one process-wide pointer, and one
// raiser per slot. A missing table or entry is skipped.
#pragma once

#include <cstdint>
#include <string>

#include "corvex/EngineTables.h"

namespace ui {

void SetTable(UiCallbackTable* table);
UiCallbackTable* Table();

void ScanStarted();
void ScanCategory(int categoryIndex);
void ScanItem(const std::wstring& text, int examined);
void ScanFinished(int stopped);
void FixProgress(int resultIndex);
void FixItem(const std::wstring& text, int processed);
void FixFinished(int stopped);
void BackupFinished(int mode);
void RestoreFinished(const std::wstring& backupName);
void DefragPhase(int phase);
void DefragItem(int hiveIndex, int kind);
void DefragDetail(int hiveIndex, uint64_t count, uint64_t from, uint64_t to, uint64_t vcn);
void DefragDrawRange(uint64_t total, uint64_t first, uint64_t end, int colour);
void DefragClearMap();
void DefragStatusText(const std::wstring& text);
void DefragFinished(int phase, int result);
void DefragBusy();
void DefragIdle(PtrArray<HiveItem>* hives);

}  // namespace ui
