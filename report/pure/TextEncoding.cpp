#include "report/pure/TextEncoding.h"

#include <cstdint>
#include <cstdio>

namespace report {
namespace {

bool IsHighSurrogate(uint32_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendEscape(std::string& out, uint32_t unit)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(unit & 0xFFFF));
    out += buf;
}

// Calls emit(codePoint, isLoneSurrogate) for each character of UTF-16 text.
template <class Emit>
void Decode(std::wstring_view text, Emit emit)
{
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(static_cast<uint32_t>(text[i + 1]))) {
            uint32_t low = static_cast<uint32_t>(text[++i]);
            emit(0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00), false);
        } else {
            emit(c, IsHighSurrogate(c) || IsLowSurrogate(c));
        }
    }
}

}  // namespace

std::string ToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    Decode(text, [&](uint32_t cp, bool lone) { AppendUtf8(out, lone ? 0xFFFD : cp); });
    return out;
}

std::string JsonString(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    Decode(text, [&](uint32_t cp, bool lone) {
        if (lone || cp < 0x20)
            AppendEscape(out, cp);
        else if (cp == '"')
            out += "\\\"";
        else if (cp == '\\')
            out += "\\\\";
        else
            AppendUtf8(out, cp);
    });
    out += '"';
    return out;
}

std::wstring PrintableText(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (static_cast<uint32_t>(c) < 0x20 || c == 0x7F) {
            wchar_t buf[12];
            std::swprintf(buf, 12, L"<U+%04X>", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace report
