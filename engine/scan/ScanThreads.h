// How many threads a scan runs on: the console's or a test's choice, else
// Registry.ini ([Scan] Threads beside the program), else the processors
// this process may run on (see pure::ScanThreadCount).
#pragma once

namespace scan {

// n >= 1: the scans started afterwards use at most n threads; 0: back to
// Registry.ini and the processor count.
void SetThreadOverride(int count);

// The processors this process may run on.
int ProcessorCount();

// The threads for a scan of `pieces` pieces of work.
int ThreadsForScan(int pieces);

}  // namespace scan
