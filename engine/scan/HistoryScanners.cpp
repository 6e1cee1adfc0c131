// Not built yet: these scanners examine nothing.
#include "scan/Scanner.h"

namespace scan {

void ScanHistoryLists(const ScanTarget&) {}
void ScanProgramShortcuts(const ScanTarget&) {}
void ScanSoundEvents(const ScanTarget&) {}
void ScanStartupItems(const ScanTarget&) {}

}  // namespace scan
