#include "pure/PageRules.h"

#include <cwchar>

namespace pagerules {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Leading decimal digits after optional blanks and sign, as wcstol reads
// them; anything else reads as 0.
long ReadNumber(const std::wstring& text)
{
    return std::wcstol(text.c_str(), nullptr, 10);
}

}  // namespace

std::wstring TimeText(int hour, int minute)
{
    std::wstring m = std::to_wstring(minute);
    if (minute >= 0 && minute < 10) m = L"0" + m;
    return std::to_wstring(hour) + L":" + m;
}

std::wstring TriggerSentence(int hour, int minute, unsigned days, int month, int day, int year)
{
    static const wchar_t* const kDays[7] = {L" Sunday", L" Monday",  L" Tuesday", L" Wednesday",
                                            L" Thursday", L" Friday", L" Saturday"};
    std::wstring text = L"At " + TimeText(hour, minute) + L" every";
    for (unsigned i = 0; i < 7; ++i)
        if (days & (1u << i)) text += kDays[i];
    text += L" of week, starting " + std::to_wstring(month) + L"/" + std::to_wstring(day) + L"/" +
            std::to_wstring(year);
    return text;
}

TimeCheck ParseScheduleTime(const std::wstring& text, int* hour, int* minute)
{
    if (text.empty()) return TimeCheck::Empty;
    const size_t colon = text.find(L':');
    if (colon == std::wstring::npos || colon == 0 || colon > 2) return TimeCheck::Invalid;
    const size_t minuteDigits = text.size() - colon - 1;
    if (minuteDigits == 0 || minuteDigits > 2) return TimeCheck::Invalid;
    for (size_t i = 0; i < text.size(); ++i)
        if (i != colon && !IsDigit(text[i])) return TimeCheck::Invalid;
    const int h = static_cast<int>(ReadNumber(text.substr(0, colon)));
    const int m = static_cast<int>(ReadNumber(text.substr(colon + 1)));
    if (h > 23 || m > 59) return TimeCheck::Invalid;
    *hour = h;
    *minute = m;
    return TimeCheck::Ok;
}

bool StepTime(const std::wstring& text, int delta, std::wstring* out)
{
    if (text.empty() || delta == 0) return false;
    const size_t colon = text.find(L':');
    if (colon == std::wstring::npos) return false;
    long h = ReadNumber(text.substr(0, colon));
    long m = ReadNumber(text.substr(colon + 1));
    if (delta > 0) {
        if (++m > 59) {
            m = 0;
            if (++h > 23) h = 0;
        }
    } else {
        if (--m < 0) {
            m = 59;
            if (--h < 0) h = 23;
        }
    }
    *out = TimeText(static_cast<int>(h), static_cast<int>(m));
    return true;
}

StartupRowText ListedRowText(bool enabled)
{
    return enabled ? StartupRowText{L"Enable", L"Disable"} : StartupRowText{L"Disable", L"Enable"};
}

StartupRowText ToggledRowText(bool enabled)
{
    return enabled ? StartupRowText{L"Enable", L"Disable"} : StartupRowText{L"Disable", L"Enable"};
}

bool ListsDisabled(const std::wstring& setting) { return setting != L"FALSE"; }
bool ShowDisabledChecked(const std::wstring& setting) { return setting == L"TRUE"; }

std::wstring SizeText(uint64_t bytes)
{
    wchar_t buf[64] = L"";
    std::swprintf(buf, 64, L"%.0fK", static_cast<double>(bytes) / 1024.0);
    return buf;
}

HiveRowChange HiveRow(int state, int flags, int kind, bool hasCompactCopy, uint64_t compactCopySize)
{
    const bool compact = (flags & 1) != 0;
    const bool fragmented = (flags & 2) != 0;
    HiveRowChange row;
    switch (state) {
    case 1:
        if (kind == 1) {
            row.image = kImageBusy;
        } else if (kind == 2) {
            row.image = kImageWarning;
            row.compact = L"-";
            row.status = L"access denied";
        } else {
            row.status = fragmented ? L"fragment" : L"unfragment";
        }
        break;
    case 3:
        if (kind == 2) {
            row.image = kImageWarning;
            row.compact = L"-";
            row.status = L"access denied";
            break;
        }
        if (hasCompactCopy) row.compact = SizeText(compactCopySize);
        if (compact && fragmented) {
            row.image = kImageWarning;
            row.status = L"compacted, fragmented";
        } else if (compact) {
            row.image = kImageDone;
            row.status = L"ok";
        } else {
            row.image = kImageWarning;
            row.status = L"uncompacted";
        }
        break;
    case 4:
        row.image = fragmented ? kImageWarning : kImageDone;
        row.status = fragmented ? L"FRAGMENTED" : L"OK";
        break;
    default:
        break;
    }
    return row;
}

namespace {

// a * b / d, rounded down, for a < d, without the product overflowing:
// bit-by-bit long division of the 128-bit product when it does not fit.
uint64_t MulDivBelow(uint64_t a, uint64_t b, uint64_t d)
{
    if (b == 0 || a <= UINT64_MAX / b) return a * b / d;
    // 128-bit product as hi:lo from 32-bit halves.
    const uint64_t al = a & 0xFFFFFFFFu, ah = a >> 32, bl = b & 0xFFFFFFFFu, bh = b >> 32;
    const uint64_t ll = al * bl, lh = al * bh, hl = ah * bl, hh = ah * bh;
    const uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    uint64_t lo = (ll & 0xFFFFFFFFu) | (mid << 32);
    uint64_t hi = hh + (lh >> 32) + (hl >> 32) + (mid >> 32);
    // hi < d because a < d; the quotient fits 64 bits.
    uint64_t q = 0;
    for (int i = 0; i < 64; ++i) {
        const bool carry = (hi >> 63) != 0;
        hi = (hi << 1) | (lo >> 63);
        lo <<= 1;
        q <<= 1;
        if (carry || hi >= d) {
            hi -= d;
            q |= 1;
        }
    }
    return q;
}

}  // namespace

uint64_t PixelOf(uint64_t cluster, uint64_t total, uint64_t pixels)
{
    if (total == 0) return 0;
    return (cluster / total) * pixels + MulDivBelow(cluster % total, pixels, total);
}

std::vector<MapSpan> MapSpans(uint64_t first, uint64_t end, uint64_t total, int width, int height)
{
    std::vector<MapSpan> spans;
    ForEachMapSpan(first, end, total, width, height, [&](int row, int x0, int x1) { spans.push_back({row, x0, x1}); });
    return spans;
}

}  // namespace pagerules
