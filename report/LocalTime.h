// The time a report says it was made, in the form it stores.
#pragma once

#include <string>

namespace report {

// The local time now: "2026-12-09 18:30:00".
std::wstring LocalTimeText();

}  // namespace report
