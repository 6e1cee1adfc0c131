#include "pure/BackupStamp.h"

namespace ui {
namespace {

constexpr size_t kNameLength = 23;

bool IsLeapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysIn(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int Number(std::wstring_view digits)
{
    int n = 0;
    for (wchar_t c : digits) n = n * 10 + (c - L'0');
    return n;
}

}  // namespace

std::optional<BackupStamp> ParseBackupStamp(std::wstring_view name)
{
    if (name.size() != kNameLength) return std::nullopt;
    for (size_t i = 0; i < 14; ++i)
        if (name[i] < L'0' || name[i] > L'9') return std::nullopt;
    const std::wstring_view kind = name.substr(14, 2);
    if (kind != L"-f" && kind != L"-p") return std::nullopt;
    if (name.substr(16) != L".regbak") return std::nullopt;
    BackupStamp s{Number(name.substr(0, 4)), Number(name.substr(4, 2)),  Number(name.substr(6, 2)),
                  Number(name.substr(8, 2)), Number(name.substr(10, 2)), Number(name.substr(12, 2))};
    // SYSTEMTIME's range: years 1601 to 30827.
    if (s.year < 1601 || s.month < 1 || s.month > 12) return std::nullopt;
    if (s.day < 1 || s.day > DaysIn(s.year, s.month)) return std::nullopt;
    if (s.hour > 23 || s.minute > 59 || s.second > 59) return std::nullopt;
    return s;
}

}  // namespace ui
