// Not built yet: these scanners examine nothing.
#include "scan/Scanner.h"

namespace scan {

void ScanAppPaths(const ScanTarget&) {}
void ScanFileExtensions(const ScanTarget&) {}
void ScanFileAssociations(const ScanTarget&) {}

}  // namespace scan
