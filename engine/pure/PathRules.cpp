#include "pure/PathRules.h"

#include <algorithm>

#include "pure/TextRules.h"

namespace pure {
namespace {

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Characters the expression's component class excludes.
bool IsExcluded(wchar_t c)
{
    return std::wstring_view(L"/;:?\"><*'\\").find(c) != std::wstring_view::npos;
}

// Where the leftmost match can begin: a letter, a colon, a backslash and one
// character of the component class; npos when nowhere.
size_t FirstMatchStart(std::wstring_view text)
{
    for (size_t i = 0; i + 3 < text.size(); ++i)
        if (IsAsciiLetter(text[i]) && text[i + 1] == L':' && text[i + 2] == L'\\' && !IsExcluded(text[i + 3]))
            return i;
    return std::wstring_view::npos;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// `text` begins with the folder `name`: the name followed by the end or a backslash.
bool StartsWithFolder(std::wstring_view text, std::wstring_view name)
{
    return StartsWithNoCase(text, name) && (text.size() == name.size() || text[name.size()] == L'\\');
}

}  // namespace

bool FindDrivePath(std::wstring_view text, std::wstring& path)
{
    path.clear();
    size_t start = FirstMatchStart(text);
    if (start == std::wstring_view::npos) return false;
    // The expression's greedy match, walked by hand: after the drive, every
    // backslash followed by a component character starts one more group,
    // and each group takes all the component characters it can. Nothing
    // follows the groups in the expression, so the longest chain is the match.
    const std::wstring_view window = text.substr(start, kMaxPathMatch);
    size_t end = 2;
    while (end + 1 < window.size() && window[end] == L'\\' && !IsExcluded(window[end + 1])) {
        end += 2;
        while (end < window.size() && !IsExcluded(window[end])) ++end;
    }
    path.assign(window.substr(0, end));
    return true;
}

std::wstring_view TrimSpace(std::wstring_view text)
{
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

Presence PathExistsByCuts(std::wstring_view path, const ExistsFn& exists)
{
    if (path.empty()) return Presence::Present;

    Presence found = Presence::Missing;
    auto test = [&](const std::wstring& candidate) {
        found = EitherOf(found, exists(candidate));
        return found == Presence::Present;
    };

    const std::wstring trimmed(TrimSpace(path));
    if (test(trimmed)) return found;

    std::wstring candidate = trimmed;
    size_t cut = trimmed.find(L',');
    if (cut == std::wstring::npos) cut = trimmed.find(L'/');
    if (cut != std::wstring::npos) {
        candidate = std::wstring(TrimSpace(std::wstring_view(trimmed).substr(0, cut)));
        if (test(candidate)) return found;
    }

    std::wstring upper = ToUpper(candidate);
    size_t exe = upper.find(L".EXE");
    size_t dll = upper.find(L".DLL");
    size_t program = std::min(exe, dll);
    if (program != std::wstring::npos) upper.resize(program + 4);
    if (upper != candidate && test(upper)) return found;

    size_t slash = candidate.rfind(L'\\');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : candidate.substr(0, slash);
    std::wstring_view lastName = folder;
    if (size_t s = folder.rfind(L'\\'); s != std::wstring::npos) lastName.remove_prefix(s + 1);
    size_t dot = lastName.find(L'.');
    if (dot != std::wstring_view::npos && dot != 0) test(folder);
    return found;
}

std::wstring NativeProgramFiles(std::wstring_view source, std::wstring_view expanded)
{
    std::wstring out(expanded);
    if (!Contains(ToUpper(source), L"%PROGRAMFILES%")) return out;
    static constexpr std::wstring_view kX86 = L"Program Files (x86)";
    static constexpr std::wstring_view kNative = L"Program Files";
    for (size_t at = out.find(kX86); at != std::wstring::npos; at = out.find(kX86, at + kNative.size()))
        out.replace(at, kX86.size(), kNative);
    return out;
}

std::wstring ProgramFilesVariablesAs32Bit(std::wstring_view text)
{
    // Variables pair up the way the expansion pairs them: from one percent
    // sign to the next.
    std::wstring out;
    out.reserve(text.size() + 10);
    size_t at = 0;
    while (at < text.size()) {
        size_t open = text.find(L'%', at);
        size_t close = open == std::wstring_view::npos ? open : text.find(L'%', open + 1);
        if (close == std::wstring_view::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        std::wstring_view name = text.substr(open + 1, close - open - 1);
        if (EqualsNoCase(name, L"ProgramFiles"))
            out += L"%ProgramFiles(x86)%";
        else if (EqualsNoCase(name, L"CommonProgramFiles"))
            out += L"%CommonProgramFiles(x86)%";
        else
            out += text.substr(open, close - open + 1);
        at = close + 1;
    }
    return out;
}

std::wstring SystemFolderAs32Bit(std::wstring_view path, std::wstring_view windowsDir)
{
    while (!windowsDir.empty() && windowsDir.back() == L'\\') windowsDir.remove_suffix(1);
    std::wstring out(path);
    if (windowsDir.empty() || !StartsWithNoCase(path, windowsDir) || path.size() <= windowsDir.size() ||
        path[windowsDir.size()] != L'\\')
        return out;
    const size_t folderAt = windowsDir.size() + 1;
    std::wstring_view rest = path.substr(folderAt);
    if (StartsWithFolder(rest, L"Sysnative")) return out.replace(folderAt, 9, L"System32");
    if (!StartsWithFolder(rest, L"System32")) return out;
    std::wstring_view inside = rest.size() > 8 ? rest.substr(9) : std::wstring_view();
    for (std::wstring_view exempt : {L"catroot", L"catroot2", L"drivers\\etc", L"driverstore", L"logfiles", L"spool"})
        if (StartsWithFolder(inside, exempt)) return out;
    return out.replace(folderAt, 8, L"SysWOW64");
}

}  // namespace pure
