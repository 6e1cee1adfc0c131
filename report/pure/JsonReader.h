// A strict little JSON reader: rejects what a real parser rejects (trailing
// commas, raw control characters, bad escapes, invalid UTF-8) and gives the
// values back with strings as UTF-16. No windows.h. The console tool reads
// an earlier scan's report with it (scan --compare), the program its own
// LastScan.json; the tests read every document the tool writes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace report {
namespace json {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    int64_t number = 0;
    std::wstring text;
    std::vector<Value> items;
    std::map<std::string, Value> members;

    const Value& operator[](const std::string& name) const
    {
        auto it = members.find(name);
        if (kind != Object || it == members.end()) throw std::runtime_error("no member " + name);
        return it->second;
    }
    const Value& operator[](size_t i) const
    {
        if (kind != Array || i >= items.size()) throw std::runtime_error("no item");
        return items[i];
    }
    bool Has(const std::string& name) const { return kind == Object && members.count(name) != 0; }
};

class Reader {
public:
    explicit Reader(const std::string& s) : s_(s) {}

    Value Document()
    {
        Value v = Parse();
        Space();
        if (p_ != s_.size()) Fail("text after the document");
        return v;
    }

private:
    [[noreturn]] void Fail(const char* what)
    {
        throw std::runtime_error(std::string(what) + " at " + std::to_string(p_));
    }
    void Space()
    {
        while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\n' || s_[p_] == '\r' || s_[p_] == '\t')) ++p_;
    }
    bool Take(char c)
    {
        Space();
        if (p_ < s_.size() && s_[p_] == c) {
            ++p_;
            return true;
        }
        return false;
    }
    void Expect(char c)
    {
        if (!Take(c)) Fail("unexpected character");
    }
    bool Word(const char* w)
    {
        std::string word(w);
        if (s_.compare(p_, word.size(), word) != 0) return false;
        p_ += word.size();
        return true;
    }

    Value Parse()
    {
        // A file from elsewhere may nest without end: the stack must not.
        struct Depth {
            int& d;
            explicit Depth(int& depth) : d(depth) { ++d; }
            ~Depth() { --d; }
        } depth(depth_);
        if (depth_ > 200) Fail("nested too deeply");
        Space();
        if (p_ >= s_.size()) Fail("end of text");
        Value v;
        char c = s_[p_];
        if (c == '{') {
            ++p_;
            v.kind = Value::Object;
            if (Take('}')) return v;
            do {
                Space();
                Value key = ParseString();
                std::string name(key.text.begin(), key.text.end());
                Expect(':');
                v.members[name] = Parse();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            ++p_;
            v.kind = Value::Array;
            if (Take(']')) return v;
            do v.items.push_back(Parse());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            v = ParseString();
        } else if (Word("true")) {
            v.kind = Value::Bool;
            v.boolean = true;
        } else if (Word("false")) {
            v.kind = Value::Bool;
        } else if (Word("null")) {
        } else {
            v.kind = Value::Number;
            bool negative = s_[p_] == '-';
            if (negative) ++p_;
            if (p_ >= s_.size() || s_[p_] < '0' || s_[p_] > '9') Fail("bad number");
            if (s_[p_] == '0' && p_ + 1 < s_.size() && s_[p_ + 1] >= '0' && s_[p_ + 1] <= '9')
                Fail("leading zero");
            // Whole numbers of 64 bits: a file from elsewhere may hold more digits.
            const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
            uint64_t magnitude = 0;
            while (p_ < s_.size() && s_[p_] >= '0' && s_[p_] <= '9') {
                const unsigned digit = static_cast<unsigned>(s_[p_++] - '0');
                if (magnitude > (limit - digit) / 10) Fail("number out of range");
                magnitude = magnitude * 10 + digit;
            }
            v.number = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
        }
        return v;
    }

    unsigned Hex4()
    {
        if (p_ + 4 > s_.size()) Fail("short escape");
        unsigned u = 0;
        for (int i = 0; i < 4; ++i) {
            char h = s_[p_++];
            u <<= 4;
            if (h >= '0' && h <= '9')
                u |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                u |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                u |= static_cast<unsigned>(h - 'A' + 10);
            else
                Fail("bad hex digit");
        }
        return u;
    }

    void PutCodePoint(std::wstring& out, uint32_t cp)
    {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<wchar_t>(cp);
        }
    }

    Value ParseString()
    {
        if (p_ >= s_.size() || s_[p_] != '"') Fail("string expected");
        ++p_;
        Value v;
        v.kind = Value::String;
        for (;;) {
            if (p_ >= s_.size()) Fail("unterminated string");
            unsigned char c = static_cast<unsigned char>(s_[p_++]);
            if (c == '"') return v;
            if (c < 0x20) Fail("raw control character");
            if (c == '\\') {
                if (p_ >= s_.size()) Fail("bad escape");
                char e = s_[p_++];
                switch (e) {
                    case '"':
                        v.text += L'"';
                        break;
                    case '\\':
                        v.text += L'\\';
                        break;
                    case '/':
                        v.text += L'/';
                        break;
                    case 'b':
                        v.text += L'\b';
                        break;
                    case 'f':
                        v.text += L'\f';
                        break;
                    case 'n':
                        v.text += L'\n';
                        break;
                    case 'r':
                        v.text += L'\r';
                        break;
                    case 't':
                        v.text += L'\t';
                        break;
                    case 'u':
                        v.text += static_cast<wchar_t>(Hex4());
                        break;  // surrogates kept as units
                    default:
                        Fail("bad escape");
                }
                continue;
            }
            if (c < 0x80) {
                v.text += static_cast<wchar_t>(c);
                continue;
            }
            int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
            if (extra < 0 || c > 0xF4 || c == 0xC0 || c == 0xC1) Fail("bad UTF-8 lead byte");
            uint32_t cp = c & (0x3F >> extra);
            for (int i = 0; i < extra; ++i) {
                if (p_ >= s_.size()) Fail("short UTF-8");
                unsigned char t = static_cast<unsigned char>(s_[p_++]);
                if ((t & 0xC0) != 0x80) Fail("bad UTF-8 trail byte");
                cp = (cp << 6) | (t & 0x3F);
            }
            static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
            if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) Fail("bad UTF-8 value");
            PutCodePoint(v.text, cp);
        }
    }

    const std::string& s_;
    size_t p_ = 0;
    int depth_ = 0;
};

inline Value Parse(const std::string& s)
{
    return Reader(s).Document();
}

}  // namespace json
}  // namespace report
