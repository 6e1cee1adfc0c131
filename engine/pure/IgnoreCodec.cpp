#include "pure/IgnoreCodec.h"

namespace pure {
namespace {

// The smallest encoded string (marker plus a one-byte length of 0) and entry.
constexpr size_t kMinString = 4;
constexpr size_t kMinEntry = 4 * kMinString + 2 * 4;
constexpr size_t kMinGroup = kMinString + 6 * 4;

void AppendU16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : p_(data), left_(size) {}

    size_t Left() const { return left_; }

    bool U8(uint8_t& v)
    {
        if (left_ < 1) return false;
        v = p_[0];
        Advance(1);
        return true;
    }
    bool U16(uint16_t& v)
    {
        if (left_ < 2) return false;
        v = static_cast<uint16_t>(p_[0] | (p_[1] << 8));
        Advance(2);
        return true;
    }
    bool U32(uint32_t& v)
    {
        if (left_ < 4) return false;
        v = static_cast<uint32_t>(p_[0]) | (static_cast<uint32_t>(p_[1]) << 8) |
            (static_cast<uint32_t>(p_[2]) << 16) | (static_cast<uint32_t>(p_[3]) << 24);
        Advance(4);
        return true;
    }
    bool I32(int32_t& v)
    {
        uint32_t u = 0;
        if (!U32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }

    bool String(std::wstring& out)
    {
        uint8_t marker = 0;
        uint16_t bom = 0;
        if (!U8(marker) || marker != 0xFF || !U16(bom) || bom != 0xFFFE) return false;
        uint8_t shortLen = 0;
        if (!U8(shortLen)) return false;
        uint32_t n = shortLen;
        if (shortLen == 0xFF) {
            uint16_t midLen = 0;
            if (!U16(midLen)) return false;
            n = midLen;
            if (midLen == 0xFFFF && !U32(n)) return false;
        }
        if (n > left_ / 2) return false;
        out.resize(n);
        for (uint32_t i = 0; i < n; ++i) out[i] = static_cast<wchar_t>(p_[2 * i] | (p_[2 * i + 1] << 8));
        Advance(2 * static_cast<size_t>(n));
        return true;
    }

private:
    void Advance(size_t n)
    {
        p_ += n;
        left_ -= n;
    }
    const uint8_t* p_;
    size_t left_;
};

bool ReadEntry(Reader& r, IgnoreEntryData& e)
{
    return r.String(e.rootName) && r.String(e.keyPath) && r.String(e.valueName) && r.String(e.message) &&
           r.I32(e.selected) && r.I32(e.is64View);
}

bool ReadGroup(Reader& r, IgnoreGroupData& g)
{
    uint32_t entries = 0;
    if (!r.String(g.name) || !r.I32(g.fixedCount) || !r.I32(g.entryCount) || !r.I32(g.problemCount) ||
        !r.I32(g.notFixedCount) || !r.I32(g.fixState) || !r.U32(entries))
        return false;
    if (entries > r.Left() / kMinEntry) return false;
    // Grown as entries are read: a count alone never drives an allocation.
    for (uint32_t i = 0; i < entries; ++i) {
        IgnoreEntryData e;
        if (!ReadEntry(r, e)) return false;
        g.entries.push_back(std::move(e));
    }
    return true;
}

}  // namespace

void AppendInt32(std::vector<uint8_t>& out, int32_t value)
{
    uint32_t u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void AppendCountedString(std::vector<uint8_t>& out, std::wstring_view text)
{
    out.push_back(0xFF);
    AppendU16(out, 0xFFFE);
    const size_t n = text.size();
    if (n <= 254) {
        out.push_back(static_cast<uint8_t>(n));
    } else if (n <= 0xFFFD) {
        out.push_back(0xFF);
        AppendU16(out, static_cast<uint16_t>(n));
    } else {
        out.push_back(0xFF);
        AppendU16(out, 0xFFFF);
        AppendInt32(out, static_cast<int32_t>(static_cast<uint32_t>(n)));
    }
    for (wchar_t c : text) AppendU16(out, static_cast<uint16_t>(c));
}

std::vector<uint8_t> EncodeIgnoreList(const std::vector<IgnoreGroupData>& groups)
{
    std::vector<uint8_t> out;
    AppendInt32(out, static_cast<int32_t>(groups.size()));
    for (const IgnoreGroupData& g : groups) {
        AppendCountedString(out, g.name);
        AppendInt32(out, g.fixedCount);
        AppendInt32(out, g.entryCount);
        AppendInt32(out, g.problemCount);
        AppendInt32(out, g.notFixedCount);
        AppendInt32(out, g.fixState);
        AppendInt32(out, static_cast<int32_t>(g.entries.size()));
        for (const IgnoreEntryData& e : g.entries) {
            AppendCountedString(out, e.rootName);
            AppendCountedString(out, e.keyPath);
            AppendCountedString(out, e.valueName);
            AppendCountedString(out, e.message);
            AppendInt32(out, e.selected);
            AppendInt32(out, e.is64View);
        }
    }
    return out;
}

DecodeResult DecodeIgnoreList(const uint8_t* data, size_t size, std::vector<IgnoreGroupData>& groups)
{
    groups.clear();
    if (size == 0) return DecodeResult::Ok;
    if (!data) return DecodeResult::Corrupt;
    Reader r(data, size);
    uint32_t count = 0;
    if (!r.U32(count) || count > r.Left() / kMinGroup) return DecodeResult::Corrupt;
    std::vector<IgnoreGroupData> read;
    for (uint32_t i = 0; i < count; ++i) {
        IgnoreGroupData g;
        if (!ReadGroup(r, g)) return DecodeResult::Corrupt;
        read.push_back(std::move(g));
    }
    if (r.Left() != 0) return DecodeResult::Corrupt;
    groups = std::move(read);
    return DecodeResult::Ok;
}

}  // namespace pure
