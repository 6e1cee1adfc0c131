// Control IDs of the eleven pages and of the main window's buttons.
#pragma once

namespace ui {

enum PageId : int {
    kMainPage = 1500,
    kScanPage = 1501,
    kSelectPage = 1502,
    kCleanPage = 1503,
    kBackupPage = 1504,
    kIgnorePage = 1505,
    kScanAreaPage = 1506,
    kDefragPage = 1507,
    kStartupPage = 1508,
    kSettingsPage = 1509,
    kSchedulePage = 1510,
};
constexpr int kPageCount = 11;

enum CommandId : int {
    kCmdExit = 2,
    kCmdAbout = 1005,
    kCmdHelp = 1006,
    kCmdMainMenu = 1007,
    kCmdAction = 1008,
    kCmdSecond = 1021,
    kCmdThird = 1022,
    kCmdFullBackup = 1609,
};

}  // namespace ui
