#include "tools/ToolPaths.h"

#include <vector>

#include "core/Handles.h"
#include "core/ReportBox.h"
#include "pure/TextRules.h"

namespace tools {
namespace {
constexpr DWORD kExpandCapacity = 16383;
constexpr wchar_t kDisableCaption[] = L"CheckFileExist-Wow64DisableWow64FsRedirection()";
constexpr wchar_t kRevertCaption[] = L"CheckFileExist-Wow64RevertWow64FsRedirection()";

bool FindAny(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW(path.c_str(), &data));
    return static_cast<bool>(find);
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to)
{
    for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}
}  // namespace

bool ExpandEnvString(const std::wstring& text, std::wstring& out)
{
    std::vector<wchar_t> buffer(kExpandCapacity);
    DWORD n = ExpandEnvironmentStringsW(text.c_str(), buffer.data(), kExpandCapacity);
    if (n > kExpandCapacity) {
        report::Show(L"Buffer too small to expand", L"ExpandEnvironmentStrings", MB_OK);
        return false;
    }
    if (n == 0) {
        report::ShowError(GetLastError(), L"ExpandEnvironmentStrings");
        return false;
    }
    out.assign(buffer.data());
    if (pure::Contains(pure::ToUpper(text), L"%PROGRAMFILES%"))
        ReplaceAll(out, L"Program Files (x86)", L"Program Files");
    return true;
}

bool CanSwitchRedirection(const SystemFacts& facts)
{
    return facts.isWow64Process && facts.disableRedirection && facts.revertRedirection;
}

bool CheckFileExist(const std::wstring& path, const SystemFacts& facts)
{
    if (!facts.isWow64Process) return FindAny(path);
    if (!facts.disableRedirection || !facts.revertRedirection) {
        report::ShowError(GetLastError(), kDisableCaption);
        return FindAny(path);
    }
    PVOID old = nullptr;
    if (!facts.disableRedirection(&old)) {
        report::ShowError(GetLastError(), kDisableCaption);
        return FindAny(path);
    }
    bool found = FindAny(path);
    if (!facts.revertRedirection(old)) report::ShowError(GetLastError(), kRevertCaption);
    return found;
}

ScopedNoRedirection::ScopedNoRedirection(const SystemFacts& facts) : facts_(facts)
{
    if (CanSwitchRedirection(facts_)) active_ = facts_.disableRedirection(&old_) != FALSE;
}

ScopedNoRedirection::~ScopedNoRedirection()
{
    if (active_) facts_.revertRedirection(old_);
}

}  // namespace tools
