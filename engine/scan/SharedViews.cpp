#include "scan/SharedViews.h"

#include "core/KeyNames.h"
#include "pure/TextRules.h"

namespace scan {
namespace {

bool SameSite(const RegEntryProb& a, const RegEntryProb& b)
{
    return a.rootName == b.rootName && a.valueName == b.valueName && a.isDefaultValue == b.isDefaultValue &&
           pure::EqualsNoCase(a.scannedKeyPath, b.scannedKeyPath);
}

}  // namespace

bool IsSameKeyInBothViews(HKEY root, const std::wstring& path)
{
    const std::wstring name64 = regkey::SystemKeyName(root, path, KEY_WOW64_64KEY);
    return !name64.empty() && pure::EqualsNoCase(name64, regkey::SystemKeyName(root, path, KEY_WOW64_32KEY));
}

void DropSharedViewRepeats(CRegEngine& engine, RegScanCategory& result, XMLElement& category, int first64,
                           int first32)
{
    PtrArray<RegEntryProb>& problems = result.problems;
    for (int i = problems.GetCount() - 1; i >= first32; --i) {
        const RegEntryProb& found32 = *problems[i];
        bool repeat = false;
        for (int k = first64; k < first32 && !repeat; ++k) repeat = SameSite(*problems[k], found32);
        if (!repeat || !IsSameKeyInBothViews(found32.rootHandle, found32.scannedKeyPath)) continue;
        category.foundCount -= 1;
        result.problemCount -= 1;
        engine.problemCount -= 1;
        if (found32.selected) engine.checkedCount -= 1;
        problems.RemoveAt(i);
    }
}

}  // namespace scan
