// Not built yet: these scanners examine nothing.
#include "scan/Scanner.h"

namespace scan {

void ScanClsidEntries(const ScanTarget&) {}
void ScanTypeLibEntries(const ScanTarget&) {}
void ScanInterfaceEntries(const ScanTarget&) {}
void ScanAppIdEntries(const ScanTarget&) {}

}  // namespace scan
