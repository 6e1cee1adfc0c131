#include "pure/ShortcutRules.h"

#include "pure/TextRules.h"

namespace pure {

bool IsEnterableFolder(std::wstring_view name, unsigned long attributes, size_t fullPathLength)
{
    if (!(attributes & kAttributeDirectory)) return false;
    if (!name.empty() && name.front() == L'.') return false;
    if (attributes & kAttributeReparsePoint) return false;
    return fullPathLength < kShortcutPathCapacity;
}

bool IsShortcutName(std::wstring_view name)
{
    return name.size() >= 4 && EqualsNoCase(name.substr(name.size() - 4), L".lnk");
}

TargetPlace PlaceOfTarget(std::wstring_view target, wchar_t& driveLetter)
{
    driveLetter = L'\0';
    // The long form names its drive or share after the prefix.
    static constexpr std::wstring_view kLongForm = L"\\\\?\\";
    if (target.substr(0, kLongForm.size()) == kLongForm) {
        target.remove_prefix(kLongForm.size());
        if (target.size() >= 4 && EqualsNoCase(target.substr(0, 4), L"UNC\\")) return TargetPlace::Unc;
    }
    if (target.size() >= 2 && (target[0] == L'\\' || target[0] == L'/') && (target[1] == L'\\' || target[1] == L'/'))
        return TargetPlace::Unc;
    if (target.size() >= 2 && target[1] == L':') {
        const wchar_t c = AsciiUpper(target[0]);
        if (c >= L'A' && c <= L'Z') {
            driveLetter = c;
            return TargetPlace::Drive;
        }
    }
    return TargetPlace::Other;
}

std::wstring_view ShortcutStartFolder(std::wstring_view expanded)
{
    const size_t slash = expanded.rfind(L'\\');
    return slash == std::wstring_view::npos ? expanded : expanded.substr(0, slash);
}

}  // namespace pure
