// Not built yet: the list is always empty, so nothing is filtered.
#include "scan/IgnoreList.h"

namespace scan {

void LoadIgnoreList(CRegEngine&) {}

void ApplyIgnoreList(CRegEngine&, RegScanCategory&, XMLElement&) {}

}  // namespace scan
