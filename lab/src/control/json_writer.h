#pragma once
// Writes compact JSON for the --json answers; commas and string escapes are
// its business, the structure is the caller's.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab::control {

class JsonWriter {
 public:
  JsonWriter& beginObject();
  JsonWriter& endObject();
  JsonWriter& beginArray();
  JsonWriter& endArray();
  JsonWriter& key(std::string_view name);
  JsonWriter& value(std::string_view text);
  JsonWriter& value(const char* text) { return value(std::string_view(text)); }
  JsonWriter& value(uint64_t number);
  JsonWriter& value(double number);
  JsonWriter& value(bool flag);
  JsonWriter& value(std::optional<uint32_t> number);  // null when empty
  JsonWriter& value(const std::vector<std::string>& texts);

  // The document, with a final newline.
  std::string text() const { return out_ + "\n"; }

 private:
  void beforeValue();

  std::string out_;
  std::vector<bool> first_;  // per open object or array: nothing written in it yet
  bool afterKey_ = false;
};

}  // namespace lab::control
