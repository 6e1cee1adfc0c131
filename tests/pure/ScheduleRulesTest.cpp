#include <gtest/gtest.h>

#include "pure/ScheduleRules.h"

using pure::IsOwnScanTask;

TEST(ScanTaskOwner, OnlyATaskThatStartsThisTamselIsOurs)
{
    const wchar_t* self = L"C:\\Program Files\\Tamsel\\Tamsel.exe";
    struct Case {
        const wchar_t* application;
        const wchar_t* parameters;
        bool ours;
    } cases[] = {
        {L"C:\\Program Files\\Tamsel\\Tamsel.exe", L"-scan", true},
        {L"c:\\program files\\tamsel\\TAMSEL.EXE", L"", true},  // the same program, whatever it passes
        {L"\"C:\\Program Files\\Tamsel\\Tamsel.exe\"", L"-changed", true},
        {L"D:\\Portable\\Tamsel.exe", L"-scan", true},  // another copy of Tamsel, started to scan
        {L"D:\\Portable\\tamsel.exe", L"  -scan ", true},
        {L"D:\\Portable\\Tamsel.exe", L"", false},
        {L"D:\\Portable\\Tamsel.exe", L"-scan /quiet", false},
        {L"D:\\Portable\\Tamsel.exe.bak", L"-scan", false},
        {L"C:\\Other\\cleaner.exe", L"-scan", false},
        {L"C:\\Program Files\\Tamsel\\TamselCli.exe", L"-scan", false},
        {L"Tamsel.exe", L"-scan", true},
        {L"", L"-scan", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOwnScanTask(c.application, c.parameters, self), c.ours) << c.application << L" " << c.parameters;
    EXPECT_FALSE(IsOwnScanTask(L"C:\\x\\Tamsel.exe", L"-scan", L"")) << "no program path: nothing is ours";
}
