#include "pages/Pages.h"

#include "pages/BackupRestoreChildWnd.h"
#include "pages/CleanChildWnd.h"
#include "pages/DefragChildWnd.h"
#include "pages/IgnoreChildWnd.h"
#include "pages/MainChildWnd.h"
#include "pages/ProgramSettings.h"
#include "pages/SanSetting.h"
#include "pages/ScanChildWnd.h"
#include "pages/ScanSchedule.h"
#include "pages/SelectCleanChildWnd.h"
#include "pages/StartupManager.h"

namespace ui {

std::array<std::unique_ptr<CMyChildWnd>, kPageCount> CreatePageObjects()
{
    return {std::make_unique<CMainChildWnd>(),        std::make_unique<CScanChildWnd>(),
            std::make_unique<CSelectCleanChildWnd>(), std::make_unique<CCleanChildWnd>(),
            std::make_unique<CBackupRestoreChildWnd>(), std::make_unique<CIgnoreChildWnd>(),
            std::make_unique<CSanSetting>(),          std::make_unique<CDefragChildWnd>(),
            std::make_unique<CStartupManager>(),      std::make_unique<CProgramSettings>(),
            std::make_unique<CScanSchedule>()};
}

// Every page object is a CPageBase (CreatePageObjects makes them).
void PagePrimaryAction(CMyChildWnd& page) { static_cast<CPageBase&>(page).OnPrimaryAction(); }
void PageSecondAction(CMyChildWnd& page) { static_cast<CPageBase&>(page).OnSecondAction(); }
void PageThirdAction(CMyChildWnd& page) { static_cast<CPageBase&>(page).OnThirdAction(); }
void PageFullBackupAction(CMyChildWnd& page) { static_cast<CPageBase&>(page).OnFullBackupAction(); }

}  // namespace ui
