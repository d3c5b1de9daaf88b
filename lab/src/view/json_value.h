#pragma once
// A small JSON reader for the lab's own --json replies, which the view reads.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lab::view {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool flag = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  // A member, or a null value when there is none (or this is no object).
  const JsonValue& operator[](const std::string& name) const;
  double numberOr(double fallback) const { return kind == Kind::Number ? number : fallback; }
  std::string textOr(std::string fallback) const {
    return kind == Kind::String ? text : fallback;
  }
  bool flagOr(bool fallback) const { return kind == Kind::Bool ? flag : fallback; }
};

// Nothing when the text is not one whole JSON value.
std::optional<JsonValue> parseJson(std::string_view text);

}  // namespace lab::view
