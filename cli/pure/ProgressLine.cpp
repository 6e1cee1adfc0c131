#include "cli/pure/ProgressLine.h"

#include "report/pure/TextEncoding.h"

namespace cli {
namespace {

std::wstring Prefix(int position, int total, std::wstring_view category)
{
    return L"[" + std::to_wstring(position) + L"/" + std::to_wstring(total) + L"] " + report::PrintableText(category);
}

}  // namespace

std::wstring ProgressLine(int position, int total, std::wstring_view category, int64_t examined,
                          std::wstring_view item, int width)
{
    size_t room = width > 1 ? static_cast<size_t>(width - 1) : 0;
    std::wstring line = Prefix(position, total, category) + L": " + std::to_wstring(examined) + L" items";
    std::wstring text = report::PrintableText(item);
    if (!text.empty() && line.size() + 2 < room) {
        size_t left = room - line.size() - 2;
        if (text.size() > left)
            text = left > 3 ? L"..." + text.substr(text.size() - (left - 3)) : std::wstring();
        if (!text.empty()) line += L"  " + text;
    }
    if (line.size() > room) line.resize(room);
    line.resize(room, L' ');
    return line;
}

std::wstring CategoryDoneLine(int position, int total, std::wstring_view category, int problems,
                              int64_t examined)
{
    return Prefix(position, total, category) + L": " + std::to_wstring(problems) +
           (problems == 1 ? L" problem, " : L" problems, ") + std::to_wstring(examined) + L" items examined";
}

std::string ProgressJson(std::wstring_view category, int64_t examined, int problems, bool done)
{
    std::string line = "{\"category\":" + report::JsonString(category) + ",\"itemsExamined\":" + std::to_string(examined) +
                       ",\"problems\":" + std::to_string(problems);
    if (done) line += ",\"done\":true";
    return line + "}";
}

}  // namespace cli
