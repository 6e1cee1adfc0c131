// Which "Registry Task" is Tamsel's own. The name is a plain one another
// program may use too; only a task that starts this Tamsel is adopted,
// changed or deleted.
#pragma once

#include <string>
#include <string_view>

namespace pure {

inline constexpr wchar_t kScanTaskArgument[] = L"-scan";

// True when `application` is `programPath` (without regard to ASCII case,
// quotes around either ignored), or names a file of the same name and the
// task passes exactly "-scan" (blanks around it ignored).
bool IsOwnScanTask(std::wstring_view application, std::wstring_view parameters, std::wstring_view programPath);

}  // namespace pure
