#include "scan/NotCheckedNote.h"

#include <memory>

namespace scan {

void NoteNotChecked(RegScanCategory& result, const NotCheckedPath& why)
{
    for (const NotCheckedPath* kept : result.notChecked)
        if (kept->reason == why.reason && kept->error == why.error && kept->path == why.path) return;
    result.notChecked.Add(std::make_unique<NotCheckedPath>(why));
}

}  // namespace scan
