// The page objects of the main window.
#pragma once

#include <array>
#include <memory>

#include "shell/ChildWnd.h"
#include "shell/PageIds.h"

namespace ui {

std::array<std::unique_ptr<CMyChildWnd>, kPageCount> CreatePageObjects();

void PagePrimaryAction(CMyChildWnd& page);
void PageSecondAction(CMyChildWnd& page);
void PageThirdAction(CMyChildWnd& page);
void PageFullBackupAction(CMyChildWnd& page);

}  // namespace ui
