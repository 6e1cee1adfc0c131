// Not built yet: these scanners examine nothing.
#include "scan/Scanner.h"

namespace scan {

void ScanUninstallEntries(const ScanTarget&) {}
void ScanFontEntries(const ScanTarget&) {}
void ScanSharedDlls(const ScanTarget&) {}
void ScanHelpFiles(const ScanTarget&) {}

}  // namespace scan
