#include "report/pure/JsonWriter.h"

#include "report/pure/TextEncoding.h"

namespace report {

void JsonWriter::NewLine()
{
    out_ += '\n';
    out_.append(open_.size() * 2, ' ');
}

void JsonWriter::BeforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (open_.empty()) return;
    if (open_.back().hasItems) out_ += ',';
    open_.back().hasItems = true;
    NewLine();
}

void JsonWriter::Open(char bracket, char close)
{
    BeforeValue();
    out_ += bracket;
    open_.push_back({close, false});
}

void JsonWriter::Close()
{
    const OpenBracket top = open_.back();
    open_.pop_back();
    if (top.hasItems) NewLine();
    out_ += top.close;
}

JsonWriter& JsonWriter::BeginObject()
{
    Open('{', '}');
    return *this;
}

JsonWriter& JsonWriter::EndObject()
{
    Close();
    return *this;
}

JsonWriter& JsonWriter::BeginArray()
{
    Open('[', ']');
    return *this;
}

JsonWriter& JsonWriter::EndArray()
{
    Close();
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

JsonWriter& JsonWriter::Null()
{
    BeforeValue();
    out_ += "null";
    return *this;
}

JsonWriter& JsonWriter::Unwind(size_t depth)
{
    if (afterKey_) Null();
    while (open_.size() > depth) Close();
    return *this;
}

std::string JsonWriter::Finish()
{
    out_ += '\n';
    return std::move(out_);
}

}  // namespace report
