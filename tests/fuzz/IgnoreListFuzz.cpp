// libFuzzer target for the IgnoreList.dat reader: any input must decode to
// a list or be rejected, without reading outside the buffer, and whatever is
// accepted must survive being written and read again unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "pure/IgnoreCodec.h"

namespace {

bool Same(const std::vector<pure::IgnoreGroupData>& a, const std::vector<pure::IgnoreGroupData>& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto& x = a[i];
        const auto& y = b[i];
        if (x.name != y.name || x.fixedCount != y.fixedCount || x.entryCount != y.entryCount ||
            x.problemCount != y.problemCount || x.notFixedCount != y.notFixedCount || x.fixState != y.fixState ||
            x.entries.size() != y.entries.size())
            return false;
        for (size_t k = 0; k < x.entries.size(); ++k) {
            const auto& e = x.entries[k];
            const auto& f = y.entries[k];
            if (e.rootName != f.rootName || e.keyPath != f.keyPath || e.valueName != f.valueName ||
                e.message != f.message || e.selected != f.selected || e.is64View != f.is64View)
                return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<pure::IgnoreGroupData> groups;
    if (pure::DecodeIgnoreList(data, size, groups) != pure::DecodeResult::Ok) return 0;
    const std::vector<uint8_t> again = pure::EncodeIgnoreList(groups);
    std::vector<pure::IgnoreGroupData> reread;
    if (pure::DecodeIgnoreList(again.data(), again.size(), reread) != pure::DecodeResult::Ok ||
        !Same(groups, reread))
        std::abort();
    return 0;
}
