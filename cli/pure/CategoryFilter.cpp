#include "cli/pure/CategoryFilter.h"

#include <cwctype>

namespace cli {
namespace {

bool IsWanted(const CategoryRow& row, const std::vector<std::wstring>& wanted)
{
    for (const std::wstring& w : wanted)
        if (EqualsNoCase(row.categoryName, w)) return true;
    return false;
}

}  // namespace

bool EqualsNoCase(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
            return false;
    return true;
}

FilterPlan PlanCategoryFilter(const std::vector<CategoryRow>& rows, const std::vector<std::wstring>& wanted)
{
    FilterPlan plan;
    for (const std::wstring& w : wanted) {
        bool known = false;
        for (const CategoryRow& row : rows) known = known || EqualsNoCase(row.categoryName, w);
        if (!known) {
            plan.error = L"unknown category '" + w + L"' (see TamselCli categories)";
            return plan;
        }
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        bool want = IsWanted(rows[i], wanted);
        bool firstOfName = true;
        for (size_t j = 0; j < rows.size(); ++j) {
            if (j == i || !EqualsNoCase(rows[j].elementName, rows[i].elementName)) continue;
            if (IsWanted(rows[j], wanted) != want) {
                plan.error = L"category '" + rows[want ? i : j].categoryName +
                             L"' cannot be scanned alone: its element name '" + rows[i].elementName +
                             L"' is used by another category of the settings file";
                plan.writes.clear();
                return plan;
            }
            if (j < i) firstOfName = false;
        }
        if (firstOfName && rows[i].enabled != want) plan.writes.push_back({rows[i].elementName, want});
    }
    return plan;
}

std::wstring CheckCategoryFilter(const std::vector<CategoryRow>& rows,
                                 const std::vector<std::wstring>& wanted)
{
    for (const CategoryRow& row : rows) {
        if (row.enabled != IsWanted(row, wanted))
            return L"could not " + std::wstring(row.enabled ? L"disable" : L"enable") + L" category '" +
                   row.categoryName + L"' in the scan's copy of the settings";
    }
    return std::wstring();
}

}  // namespace cli
