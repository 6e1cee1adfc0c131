// Limiting a scan to chosen categories. The engine scans what the settings
// file enables, so the console writes the flags of a private copy of the
// file: this works out which flags to write and checks the result.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct CategoryRow {
    std::wstring elementName;
    std::wstring categoryName;
    bool enabled = true;
};

struct FlagWrite {
    std::wstring elementName;
    bool enabled = false;
};

struct FilterPlan {
    std::vector<FlagWrite> writes;  // in file order, only flags that change
    std::wstring error;             // one line; empty when the plan can be carried out
};

// Category names are matched without regard to case, as the engine picks
// scanners. Every category with a chosen name is enabled, every other one
// disabled. The engine writes a flag by element name (first match, any
// case), so two elements of one name that need different flags are an error.
FilterPlan PlanCategoryFilter(const std::vector<CategoryRow>& rows, const std::vector<std::wstring>& wanted);

// Empty when `rows` (read back after the writes) enable exactly the chosen
// categories, else one line saying what went wrong.
std::wstring CheckCategoryFilter(const std::vector<CategoryRow>& rows,
                                 const std::vector<std::wstring>& wanted);

bool EqualsNoCase(const std::wstring& a, const std::wstring& b);

}  // namespace cli
