#include "cli/pure/ReportAnswer.h"

namespace cli {
namespace {

// MessageBox button sets (MB_TYPEMASK) and answers, as winuser.h has them.
enum : unsigned { kOk, kOkCancel, kAbortRetryIgnore, kYesNoCancel, kYesNo, kRetryCancel, kCancelTryContinue };
enum : int { kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdNo = 7 };

}  // namespace

int SafeAnswer(unsigned flags)
{
    switch (flags & 0xFu) {
    case kOk: return kIdOk;
    case kAbortRetryIgnore: return kIdAbort;
    case kYesNo: return kIdNo;
    case kOkCancel:
    case kYesNoCancel:
    case kRetryCancel:
    case kCancelTryContinue:
    default: return kIdCancel;
    }
}

}  // namespace cli
