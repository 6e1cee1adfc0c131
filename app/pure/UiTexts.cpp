#include "pure/UiTexts.h"

#include <cwctype>

namespace uitext {

std::wstring Printable(std::wstring_view text, bool keepLineBreaks)
{
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (keepLineBreaks && c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            out += L"\r\n";
            ++i;
            continue;
        }
        const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
        out += control ? L' ' : c;
    }
    return out;
}

std::wstring ShownProblemMessage(const std::wstring& message)
{
    if (message == L"The file or directroy does not exist!") return L"The file or directory does not exist!";
    if (message == L"The shotcuts has invalidate destination!") return L"The shortcut has an invalid destination!";
    return message;
}

std::wstring LastScanLine(const std::wstring& performed, const std::wstring& errors, const std::wstring& fixed,
                          const std::wstring& remain)
{
    if (performed == L"FALSE") return L"Last scan: no scan has been performed.";
    if (errors.empty() || fixed.empty() || remain.empty()) return L"No scan yet";
    return L"Last scan: Error(s):" + errors + L" ,Fixed:" + fixed + L" ,Remain:" + remain;
}

namespace {

std::wstring FileNameOf(const std::wstring& path)
{
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

bool EndsWithExeAt(const std::wstring& s, size_t end)
{
    if (end < 4) return false;
    const wchar_t* exe = L".exe";
    for (size_t i = 0; i < 4; ++i)
        if (std::towlower(s[end - 4 + i]) != exe[i]) return false;
    return true;
}

// The program part of a command line: the quoted part, else up to the
// first ".exe" that ends a word, else up to the first blank.
std::wstring ProgramOf(const std::wstring& commandLine)
{
    size_t start = commandLine.find_first_not_of(L' ');
    if (start == std::wstring::npos) return L"";
    if (commandLine[start] == L'"') {
        const size_t close = commandLine.find(L'"', start + 1);
        return commandLine.substr(start + 1, close == std::wstring::npos ? std::wstring::npos : close - start - 1);
    }
    for (size_t end = start + 4; end <= commandLine.size(); ++end)
        if (EndsWithExeAt(commandLine, end) && (end == commandLine.size() || commandLine[end] == L' '))
            return commandLine.substr(start, end - start);
    const size_t blank = commandLine.find(L' ', start);
    return commandLine.substr(start, blank == std::wstring::npos ? std::wstring::npos : blank - start);
}

bool NamesTheProgram(const std::wstring& description)
{
    // The engine writes "product | file description | file type": with the
    // first two empty (a file without version texts, or none at all) it
    // names nothing but a kind of file.
    const size_t bar = description.find(L'|');
    const std::wstring head = bar == std::wstring::npos ? description : description.substr(0, description.find(L'|', bar + 1));
    return head.find_first_not_of(L" \t|") != std::wstring::npos;
}

}  // namespace

std::wstring StartupItemName(const std::wstring& description, const std::wstring& filePath,
                             const std::wstring& commandLine)
{
    if (NamesTheProgram(description)) return description;
    std::wstring name = FileNameOf(filePath);
    if (name.empty()) name = FileNameOf(ProgramOf(commandLine));
    return name;
}

std::wstring WithCount(const std::wstring& name, int count) { return name + L"(" + std::to_wstring(count) + L")"; }

std::wstring WithAccelerator(const std::wstring& caption, wchar_t letter)
{
    if (letter == 0) return caption;
    // A single "&" already marks an accelerator; "&&" stands for one ampersand.
    for (size_t i = 0; i + 1 < caption.size(); ++i)
        if (caption[i] == L'&') {
            if (caption[i + 1] != L'&') return caption;
            ++i;
        }
    const wchar_t want = static_cast<wchar_t>(std::towlower(letter));
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&') {
            ++i;
            continue;
        }
        if (static_cast<wchar_t>(std::towlower(caption[i])) == want)
            return caption.substr(0, i) + L"&" + caption.substr(i);
    }
    return caption;
}

std::wstring WithoutAccelerator(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;  // "&&" keeps one, "&x" keeps x
        else if (text[i] == L'&') continue;
        out += text[i];
    }
    return out;
}

wchar_t AcceleratorOf(const std::wstring& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&') continue;
        if (text[i + 1] != L'&') return static_cast<wchar_t>(std::towupper(text[i + 1]));
        ++i;
    }
    return 0;
}

wchar_t BarAccelerator(std::wstring_view caption)
{
    struct Entry {
        std::wstring_view caption;
        wchar_t letter;
    };
    // Unique among the buttons any one page shows at once.
    static constexpr Entry kLetters[] = {
        {L"Main Menu", L'M'}, {L"Help", L'H'},       {L"Fix Problems", L'F'}, {L"Stop Scan", L'S'},
        {L"Cancel", L'C'},    {L"OK", L'O'},         {L"Scan Again", L'A'},   {L"Remove", L'R'},
        {L"Restore", L'R'},   {L"Delete", L'D'},     {L"New", L'N'},          {L"Edit", L'E'},
        {L"Defragment", L'D'}, {L"Stop", L'S'},      {L"Reboot", L'R'},
        {L"Take Full Registry Backup", L'B'},
    };
    for (const Entry& e : kLetters)
        if (e.caption == caption) return e.letter;
    return 0;
}

}  // namespace uitext
