// A small writer of indented JSON in UTF-8: values are written in order,
// commas and indentation are its business.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace report {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view name);  // ASCII member names
    JsonWriter& String(std::wstring_view value);
    JsonWriter& Int(int64_t value);
    JsonWriter& UInt(uint64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // Open objects and arrays. Unwind closes them down to depth, first giving
    // a pending key the value null, so a document cut short by a failure is
    // still well formed.
    size_t Depth() const { return open_.size(); }
    JsonWriter& Unwind(size_t depth);

    // Member shorthands.
    JsonWriter& Member(std::string_view name, std::wstring_view value) { return Key(name).String(value); }
    JsonWriter& Member(std::string_view name, int value) { return Key(name).Int(value); }
    JsonWriter& MemberInt64(std::string_view name, int64_t value) { return Key(name).Int(value); }
    JsonWriter& MemberBool(std::string_view name, bool value) { return Key(name).Bool(value); }

    // The document, with a final line break.
    std::string Finish();

private:
    void BeforeValue();
    void Open(char bracket, char close);
    void Close();
    void NewLine();

    std::string out_;
    struct OpenBracket {
        char close;
        bool hasItems;
    };
    std::vector<OpenBracket> open_;
    bool afterKey_ = false;
};

}  // namespace report
