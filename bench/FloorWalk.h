// The floor of a COM scan: every key and value below the four COM roots in
// both views, read with RegEnumKeyExW/RegEnumValueW, and one FindFirstFileW
// per path found in string data. Nothing else: no checks, no records.
#pragma once

namespace bench {

struct FloorCounts {
    long long keys = 0;
    long long values = 0;
    long long paths = 0;
    long long missing = 0;
};

FloorCounts WalkComRoots();

}  // namespace bench
