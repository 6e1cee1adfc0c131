// What the pages make of texts they did not write: printable, spelled
// right, never blank; and the accelerators of their captions.
#include <gtest/gtest.h>

#include "pure/UiTexts.h"

using namespace uitext;

TEST(Printable, ControlCharactersBecomeBlanksAndOnlyWholeLineBreaksMayStay)
{
    struct Case {
        const wchar_t* in;
        bool keepLineBreaks;
        const wchar_t* out;
    };
    const Case cases[] = {
        {L"a\tb", false, L"a b"},
        {L"x\r\ny", false, L"x  y"},
        {L"x\r\ny", true, L"x\r\ny"},
        {L"x\ny\rz", true, L"x y z"},  // a lone CR or LF is no line break
        {L"\x01\x1F\x7F\x85 ok", false, L"     ok"},
        {L"\u00E9\u51FA", false, L"\u00E9\u51FA"},  // letters stay
        {L"", false, L""},
    };
    for (const Case& c : cases) EXPECT_EQ(Printable(c.in, c.keepLineBreaks), c.out) << c.in;
}

TEST(ShownProblemMessage, OnlyTheEnginesMisspeltMessagesChange)
{
    EXPECT_EQ(ShownProblemMessage(L"The file or directroy does not exist!"), L"The file or directory does not exist!");
    EXPECT_EQ(ShownProblemMessage(L"The shotcuts has invalidate destination!"),
              L"The shortcut has an invalid destination!");
    EXPECT_EQ(ShownProblemMessage(L"The file or directory does not exist!"), L"The file or directory does not exist!");
    EXPECT_EQ(ShownProblemMessage(L"The file or directroy does not exist"), L"The file or directroy does not exist");
}

TEST(LastScanLine, CountsOnlyWhenAllThreeAreRecorded)
{
    struct Case {
        const wchar_t *performed, *errors, *fixed, *remain, *line;
    };
    const Case cases[] = {
        {L"TRUE", L"12", L"10", L"2", L"Last scan: Error(s):12 ,Fixed:10 ,Remain:2"},
        {L"", L"3", L"0", L"3", L"Last scan: Error(s):3 ,Fixed:0 ,Remain:3"},
        {L"false", L"3", L"0", L"3", L"Last scan: Error(s):3 ,Fixed:0 ,Remain:3"},
        {L"FALSE", L"12", L"10", L"2", L"Last scan: no scan has been performed."},
        {L"", L"", L"", L"", L"No scan yet"},
        {L"TRUE", L"", L"", L"", L"No scan yet"},
        {L"TRUE", L"7", L"", L"", L"No scan yet"},
        {L"TRUE", L"7", L"0", L"", L"No scan yet"},
    };
    for (const Case& c : cases) EXPECT_EQ(LastScanLine(c.performed, c.errors, c.fixed, c.remain), c.line) << c.line;
}

TEST(StartupItemName, TheDescriptionElseTheProgramsFileName)
{
    struct Case {
        const wchar_t *description, *filePath, *commandLine, *name;
    };
    const Case cases[] = {
        {L"Updater", L"C:\\p\\up.exe", L"\"C:\\p\\up.exe\" -q", L"Updater"},
        {L"", L"C:\\p\\up.exe", L"ignored", L"up.exe"},
        {L"  ", L"C:\\p\\up.exe", L"", L"up.exe"},
        {L" |  | ", L"C:\\p\\up.exe", L"", L"up.exe"},  // no version texts, no type
        {L" |  | Application", L"C:\\p\\up.exe", L"", L"up.exe"},
        {L"Updater |  | Application", L"C:\\p\\up.exe", L"", L"Updater |  | Application"},
        {L" | Update helper | Application", L"", L"", L" | Update helper | Application"},
        {L"", L"", L"\"C:\\Program Files\\Tray\\tray.exe\" /min", L"tray.exe"},
        {L"", L"", L"C:\\Program Files\\Tray\\tray.EXE /min", L"tray.EXE"},
        {L"", L"", L"  rundll32.exe shell32.dll,Control_RunDLL", L"rundll32.exe"},
        {L"", L"", L"C:\\tools\\run /x", L"run"},
        {L"", L"", L"\"C:\\unterminated\\a.exe", L"a.exe"},
        {L"", L"", L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StartupItemName(c.description, c.filePath, c.commandLine), c.name) << c.commandLine;
}

TEST(Accelerators, TheFirstFreeLetterIsMarkedAndDoubledAmpersandsAreSkipped)
{
    struct Case {
        const wchar_t* caption;
        wchar_t letter;
        const wchar_t* out;
    };
    const Case cases[] = {
        {L"Fix Problems", L'F', L"&Fix Problems"},
        {L"Scan && Clean Windows Registry", L'c', L"S&can && Clean Windows Registry"},
        {L"Set up Scan Schedules", L'U', L"Set &up Scan Schedules"},
        {L"A && B", L'B', L"A && &B"},
        {L"Install&Uninstall", L'U', L"Install&Uninstall"},  // already has one
        {L"Install&Uninstall", L'n', L"Install&Uninstall"},
        {L"Help", L'X', L"Help"},
        {L"Help", 0, L"Help"},
    };
    for (const Case& c : cases) EXPECT_EQ(WithAccelerator(c.caption, c.letter), c.out) << c.caption;
}

TEST(Accelerators, AMarkedCaptionReadsWithoutItsMarkAndNamesItsLetter)
{
    struct Case {
        const wchar_t* marked;
        const wchar_t* reads;
        wchar_t letter;
    };
    const Case cases[] = {
        {L"&Scan && Clean", L"Scan & Clean", L'S'},
        {L"S&can && Clean Windows Registry", L"Scan & Clean Windows Registry", L'C'},
        {L"Install&&Uninstall Entries", L"Install&Uninstall Entries", 0},
        {L"O&ptions", L"Options", L'P'},
        {L"Help", L"Help", 0},
        {L"trailing&", L"trailing", 0},
        {L"", L"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithoutAccelerator(c.marked), c.reads) << c.marked;
        EXPECT_EQ(AcceleratorOf(c.marked), c.letter) << c.marked;
    }
}
