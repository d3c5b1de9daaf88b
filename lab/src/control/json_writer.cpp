#include "json_writer.h"

#include <cstdio>

namespace lab::control {

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!first_.empty()) {
    if (!first_.back()) out_ += ',';
    first_.back() = false;
  }
}

JsonWriter& JsonWriter::beginObject() {
  beforeValue();
  out_ += '{';
  first_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::endObject() {
  out_ += '}';
  first_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::beginArray() {
  beforeValue();
  out_ += '[';
  first_.push_back(true);
  return *this;
}

JsonWriter& JsonWriter::endArray() {
  out_ += ']';
  first_.pop_back();
  return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
  value(name);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
  beforeValue();
  out_ += '"';
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out_ += '\\';
      out_ += c;
    } else if (c == '\n') {
      out_ += "\\n";
    } else if (u < 0x20 || u >= 0x80) {
      // Client strings are Latin-1, so a byte is its own code point.
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out_ += escaped;
    } else {
      out_ += c;
    }
  }
  out_ += '"';
  return *this;
}

JsonWriter& JsonWriter::value(uint64_t number) {
  beforeValue();
  out_ += std::to_string(number);
  return *this;
}

JsonWriter& JsonWriter::value(double number) {
  beforeValue();
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", number);
  out_ += text;
  return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
  beforeValue();
  out_ += flag ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::value(std::optional<uint32_t> number) {
  if (number) return value(static_cast<uint64_t>(*number));
  beforeValue();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::value(const std::vector<std::string>& texts) {
  beginArray();
  for (const std::string& text : texts) value(std::string_view(text));
  return endArray();
}

}  // namespace lab::control
