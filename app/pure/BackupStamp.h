// The time stamp in a backup's name: "YYYYMMDDhhmmss" + "-f" or "-p" +
// ".regbak", 23 characters. No windows.h.
#pragma once

#include <optional>
#include <string_view>

namespace ui {

struct BackupStamp {
    int year, month, day, hour, minute, second;
};

// The stamp of a name of that form whose digits are a real date and time;
// empty for any other name.
std::optional<BackupStamp> ParseBackupStamp(std::wstring_view name);

}  // namespace ui
