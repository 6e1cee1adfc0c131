// startupManage.xml: the disabled start-up programs, one "node" element per
// program below the document element. The first six attributes are read by
// position, so their order is the format; the seventh, "RegValueType", holds
// the value's registry type (absent: REG_SZ). COM must be initialised.
#pragma once

#include "corvex/Records.h"

namespace startup {

inline constexpr wchar_t kDisabledFile[] = L"startupManage.xml";

// Appends the disabled items in file order. A missing or unreadable file, and
// nodes without the six attributes, contribute nothing, silently.
void AppendDisabledItems(PtrArray<StartupItem>& out);

// Appends a record of the item and saves the file; false (after the load
// failure box, if that was the cause) when the record is not saved.
bool AddDisabledRecord(const StartupItem& item);

// Removes the first record with the item's root, key path, value name and
// command line and saves the file; false when none matches or the save fails.
bool RemoveDisabledRecord(const StartupItem& item);

}  // namespace startup
