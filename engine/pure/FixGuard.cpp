#include "pure/FixGuard.h"

#include <vector>

#include "pure/TextRules.h"

namespace pure {
namespace {

std::vector<std::wstring> Steps(const std::wstring& path)
{
    std::vector<std::wstring> steps;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find(L'\\', start);
        std::wstring step = path.substr(start, slash == std::wstring::npos ? std::wstring::npos : slash - start);
        if (!step.empty() && !EqualsNoCase(step, L"Wow6432Node")) steps.push_back(step);
        if (slash == std::wstring::npos) break;
        start = slash + 1;
    }
    return steps;
}

// Containers named by their last steps; a key whose path ends so is one.
const std::vector<std::vector<const wchar_t*>>& Containers()
{
    static const std::vector<std::vector<const wchar_t*>> list = {
        {L"Classes", L"CLSID"},
        {L"Classes", L"TypeLib"},
        {L"Classes", L"Interface"},
        {L"Classes", L"AppID"},
        {L"CurrentVersion", L"App Paths"},
        {L"CurrentVersion", L"Uninstall"},
        {L"CurrentVersion", L"Run"},
        {L"CurrentVersion", L"RunOnce"},
        {L"CurrentVersion", L"RunServices"},
        {L"CurrentVersion", L"RunServicesOnce"},
        {L"CurrentVersion", L"Fonts"},
        {L"CurrentVersion", L"SharedDLLs"},
        {L"Windows", L"Help"},
        {L"Windows", L"HTML Help"},
        {L"Installer", L"Folders"},
        {L"Installer", L"Products"},
        {L"Explorer", L"FileExts"},
        {L"AppEvents"},
        {L"AppEvents", L"Schemes"},
        {L"AppEvents", L"Schemes", L"Apps"},
        {L"AppEvents", L"EventLabels"},
    };
    return list;
}

bool EndsWith(const std::vector<std::wstring>& steps, const std::vector<const wchar_t*>& tail)
{
    if (tail.size() > steps.size()) return false;
    const size_t offset = steps.size() - tail.size();
    for (size_t i = 0; i < tail.size(); ++i)
        if (!EqualsNoCase(steps[offset + i], tail[i])) return false;
    return true;
}

std::wstring Join(const std::wstring& root, const std::wstring& path)
{
    return path.empty() ? root : root + L"\\" + path;
}

}  // namespace

std::wstring ContainerRefusal(const std::wstring& rootName, const std::wstring& path)
{
    std::vector<std::wstring> steps = Steps(path);
    const std::wstring where = Join(rootName, path);
    if (steps.empty()) return L"refused: it would remove the registry root " + rootName;
    // Under HKEY_USERS each user's hive is a root of its own.
    size_t hiveDepth = EqualsNoCase(rootName, L"HKEY_USERS") ? 1 : 0;
    const bool hiveRoot = EqualsNoCase(rootName, L"HKEY_LOCAL_MACHINE") ||
                          EqualsNoCase(rootName, L"HKEY_CURRENT_USER") || hiveDepth == 1;
    if (hiveRoot && steps.size() <= hiveDepth + 1) return L"refused: it would remove the top-level key " + where;
    if (hiveRoot && steps.size() == hiveDepth + 2 && EqualsNoCase(steps[hiveDepth], L"SOFTWARE"))
        return L"refused: it would remove the vendor key " + where;
    // HKEY_CLASSES_ROOT is the Classes key of the machine and the user.
    if (EqualsNoCase(rootName, L"HKEY_CLASSES_ROOT")) steps.insert(steps.begin(), L"Classes");
    for (const std::vector<const wchar_t*>& tail : Containers())
        if (EndsWith(steps, tail)) return L"refused: it would remove the container key " + where;
    return std::wstring();
}

std::wstring FixRefusal(int fixAction, const std::wstring& rootName, const std::wstring& path,
                        const FixExtent& extent, const GuardLimits& limits)
{
    if (fixAction != 1 && fixAction != 2) return std::wstring();  // one value never is a container
    std::wstring container = ContainerRefusal(rootName, path);
    if (!container.empty()) return container;
    if (fixAction == 2 && extent.kind == FixExtent::kTree &&
        (extent.more || extent.keys > limits.maxTreeKeys || extent.values > limits.maxTreeValues))
        return L"refused: the key tree (" + DescribeFixExtent(extent).substr(6) + L") is larger than the limit of " +
               std::to_wstring(limits.maxTreeKeys) + L" keys or " + std::to_wstring(limits.maxTreeValues) +
               L" values";
    return std::wstring();
}

std::wstring ChangedSinceScanRefusal()
{
    return L"refused: changed since the scan, scan again";
}

}  // namespace pure
