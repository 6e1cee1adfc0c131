#include <gtest/gtest.h>

#include "cli/pure/CategoryFilter.h"

using cli::CategoryRow;
using cli::CheckCategoryFilter;
using cli::PlanCategoryFilter;

namespace {

std::vector<CategoryRow> Shipped()
{
    return {{L"ComActiveX", L"COM/ActiveX Entries", true},
            {L"AppPaths", L"Application Paths", true},
            {L"Fonts", L"Font Entries", false},
            {L"Startup", L"Windows Startup Items", true}};
}

std::wstring Writes(const cli::FilterPlan& plan)
{
    std::wstring s;
    for (const cli::FlagWrite& w : plan.writes) s += w.elementName + (w.enabled ? L"=on " : L"=off ");
    return s;
}

TEST(CategoryFilter, WritesOnlyTheFlagsThatChange)
{
    const struct {
        std::vector<std::wstring> wanted;
        std::wstring writes;
    } cases[] = {
        {{L"COM/ActiveX Entries"}, L"AppPaths=off Startup=off "},
        {{L"com/activex entries"}, L"AppPaths=off Startup=off "},  // any case, as the engine matches
        {{L"Font Entries"}, L"ComActiveX=off AppPaths=off Fonts=on Startup=off "},
        {{L"Font Entries", L"Application Paths", L"Font Entries"}, L"ComActiveX=off Fonts=on Startup=off "},
        {{L"COM/ActiveX Entries", L"Application Paths", L"Windows Startup Items"}, L""},
    };
    for (const auto& c : cases) {
        cli::FilterPlan plan = PlanCategoryFilter(Shipped(), c.wanted);
        EXPECT_EQ(plan.error, L"");
        EXPECT_EQ(Writes(plan), c.writes);
    }
}

TEST(CategoryFilter, UnknownNameIsAnError)
{
    cli::FilterPlan plan = PlanCategoryFilter(Shipped(), {L"Font Entries", L"Fonts"});
    EXPECT_EQ(plan.error, L"unknown category 'Fonts' (see TamselCli categories)");
    EXPECT_TRUE(plan.writes.empty());
    EXPECT_NE(PlanCategoryFilter({}, {L"x"}).error, L"");
}

TEST(CategoryFilter, SharedElementNamesThatNeedDifferentFlags)
{
    // The engine writes the flag of the first element of a name only.
    std::vector<CategoryRow> rows = {{L"Same", L"A", true}, {L"same", L"B", true}, {L"Other", L"C", true}};
    cli::FilterPlan plan = PlanCategoryFilter(rows, {L"B"});
    EXPECT_NE(plan.error.find(L"'B' cannot be scanned alone"), std::wstring::npos) << plan.error;
    EXPECT_TRUE(plan.writes.empty());
    // Both chosen (or both not): one write for the pair is enough.
    plan = PlanCategoryFilter(rows, {L"C"});
    EXPECT_EQ(plan.error, L"");
    EXPECT_EQ(Writes(plan), L"Same=off ");
}

TEST(CategoryFilter, CheckReadsTheFlagsBack)
{
    std::vector<CategoryRow> rows = Shipped();
    EXPECT_NE(CheckCategoryFilter(rows, {L"Font Entries"}), L"");
    for (CategoryRow& r : rows) r.enabled = r.categoryName == L"Font Entries";
    EXPECT_EQ(CheckCategoryFilter(rows, {L"font entries"}), L"");
    rows[1].enabled = true;
    EXPECT_EQ(CheckCategoryFilter(rows, {L"Font Entries"}),
              L"could not disable category 'Application Paths' in the scan's copy of the settings");
}

}  // namespace
