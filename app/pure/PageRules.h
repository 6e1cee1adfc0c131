// The rules of the tool pages that need no Windows call: the schedule
// sentence and time text, the startup rows, the defrag rows and the volume
// map's pixel arithmetic. Compiled into the program and natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pagerules {

// ---- Scan schedule ----

// "At 9:05 every Monday Friday of week, starting 12/8/2026": day bits from
// Sunday (1) to Saturday (64).
std::wstring TriggerSentence(int hour, int minute, unsigned days, int month, int day, int year);

// "%d:%02d": the minutes in two digits, as a clock shows them.
std::wstring TimeText(int hour, int minute);

enum class TimeCheck { Empty, Invalid, Ok };
// The schedule dialog's time text: 1-2 digits, ":", 1-2 digits, at most 23:59.
TimeCheck ParseScheduleTime(const std::wstring& text, int* hour, int* minute);

// One up-down step of the time text by a minute (delta > 0 up, < 0 down),
// wrapping at the day's ends. False, and `out` untouched, for an empty text
// or one without ":"; the parts read as decimal numbers, non-numbers as 0.
bool StepTime(const std::wstring& text, int delta, std::wstring* out);

// ---- Startup manager ----

struct StartupRowText {
    const wchar_t* status;  // column 0
    const wchar_t* action;  // column 2
};
// The texts of a freshly listed item.
StartupRowText ListedRowText(bool enabled);
// The texts after a toggle made the item enabled or disabled.
StartupRowText ToggledRowText(bool enabled);
// "ShowDisable": disabled items get rows unless it is exactly "FALSE"; the
// box is checked only when it is exactly "TRUE".
bool ListsDisabled(const std::wstring& setting);
bool ShowDisabledChecked(const std::wstring& setting);

// ---- Registry defrag ----

enum RowImage : int { kImageUnchanged = -2, kImageNone = -1, kImageDone = 0, kImageBusy = 1, kImageWarning = 2 };

// What a hive's row shows after a report of `kind` (0 updated, 1 busy,
// 2 failed). Empty texts leave their column as it is.
struct HiveRowChange {
    int image = kImageUnchanged;
    std::wstring compact;
    std::wstring status;
};
// flags: bit 0 compact, bit 1 fragmented.
HiveRowChange HiveRow(int state, int flags, int kind, bool hasCompactCopy, uint64_t compactCopySize);

// Bytes as "%.0fK" of bytes / 1024.
std::wstring SizeText(uint64_t bytes);

// The map: cluster c of `total` lies at pixel c * width * height / total,
// rounded down; pixel p at row p / width (row 0 is the bottom line) and
// column p % width.
uint64_t PixelOf(uint64_t cluster, uint64_t total, uint64_t pixels);

// One horizontal line of a range: columns [x0, x1) of `row`.
struct MapSpan {
    int row;
    int x0;
    int x1;
};
// Calls span(row, x0, x1) for each line that draws clusters [first, end)
// of `total` on a map of width x height; nothing when total is 0, the range
// is empty or the map has no pixels. A range that maps into one pixel still
// draws that pixel.
template <class Span>
void ForEachMapSpan(uint64_t first, uint64_t end, uint64_t total, int width, int height, Span&& span)
{
    if (total == 0 || end <= first || width <= 0 || height <= 0 || first >= total) return;
    if (end > total) end = total;
    const uint64_t w = static_cast<uint64_t>(width);
    const uint64_t pixels = w * static_cast<uint64_t>(height);
    const uint64_t p0 = PixelOf(first, total, pixels);
    uint64_t p1 = PixelOf(end, total, pixels);
    if (p1 <= p0) p1 = p0 + 1;
    if (p1 > pixels) p1 = pixels;
    const uint64_t firstRow = p0 / w, lastRow = (p1 - 1) / w;
    for (uint64_t r = firstRow; r <= lastRow; ++r)
        span(static_cast<int>(r), r == firstRow ? static_cast<int>(p0 % w) : 0,
             r == lastRow ? static_cast<int>((p1 - 1) % w) + 1 : width);
}
std::vector<MapSpan> MapSpans(uint64_t first, uint64_t end, uint64_t total, int width, int height);

}  // namespace pagerules
