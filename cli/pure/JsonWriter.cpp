#include "cli/pure/JsonWriter.h"

#include "cli/pure/TextEncoding.h"

namespace cli {

void JsonWriter::NewLine()
{
    out_ += '\n';
    out_.append(hasItems_.size() * 2, ' ');
}

void JsonWriter::BeforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.empty()) return;
    if (hasItems_.back()) out_ += ',';
    hasItems_.back() = true;
    NewLine();
}

void JsonWriter::Open(char bracket)
{
    BeforeValue();
    out_ += bracket;
    hasItems_.push_back(false);
}

void JsonWriter::Close(char bracket)
{
    bool had = hasItems_.back();
    hasItems_.pop_back();
    if (had) NewLine();
    out_ += bracket;
}

JsonWriter& JsonWriter::BeginObject()
{
    Open('{');
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    Close('}');
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    Open('[');
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    Close(']');
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name)
{
    BeforeValue();
    out_ += '"';
    out_ += name;
    out_ += "\": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::wstring_view value)
{
    BeforeValue();
    out_ += JsonString(value);
    return *this;
}

JsonWriter& JsonWriter::Int(int64_t value)
{
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::UInt(uint64_t value)
{
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value)
{
    BeforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

std::string JsonWriter::Finish()
{
    out_ += '\n';
    return std::move(out_);
}

}  // namespace cli
