// startupManage.xml: the disabled start-up programs, one "node" element per
// program below the document element. The first six attributes are read by
// position, so their order is the format; the seventh, "RegValueType", holds
// the value's registry type (absent: REG_SZ). COM must be initialised.
#pragma once

#include "corvex/Records.h"

namespace startup {

inline constexpr wchar_t kDisabledFile[] = L"startupManage.xml";
inline constexpr wchar_t kDisabledBadFile[] = L"startupManage.xml.bad";
inline constexpr wchar_t kDisabledCaption[] = L"startupManage.xml";

// The file is the only copy of each disabled program's command line, so it
// is never read as empty when it cannot be read, and never replaced unseen.
enum class StoreState { kFine, kMissing, kDamaged, kUnreadable };

// Appends the disabled items in file order; nodes without the six
// attributes contribute nothing. A missing file holds no records. A damaged
// one is copied to startupManage.xml.bad and reported, an unreadable one is
// reported; both contribute nothing and are left as they are.
StoreState AppendDisabledItems(PtrArray<StartupItem>& out);

// Appends a record of the item and replaces the file whole; false (after a
// report box) when the record is not saved. A missing file is started anew;
// a damaged one only after it was copied to startupManage.xml.bad; an
// unreadable one is never replaced.
bool AddDisabledRecord(const StartupItem& item);

// Removes the first record with the item's root, key path, value name and
// command line and replaces the file whole; false when none matches, the
// file cannot be read (reported) or the save fails (reported).
bool RemoveDisabledRecord(const StartupItem& item);

}  // namespace startup
