// Recursive descent over the replies; depth is bounded so that a broken
// reply cannot exhaust the stack.
#include "view/json_value.h"

#include <cstdlib>

namespace lab::view {
namespace {

constexpr int kMaxDepth = 32;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool parseWhole(JsonValue& out) {
    if (!parseValue(out, 0)) return false;
    skipBlanks();
    return pos_ == text_.size();
  }

 private:
  void skipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t'))
      ++pos_;
  }
  bool take(char c) {
    skipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool takeWord(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool parseString(std::string& out) {
    if (!take('"')) return false;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return false;
      char e = text_[pos_++];
      switch (e) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          if (pos_ + 4 > text_.size()) return false;
          unsigned code = std::strtoul(std::string(text_.substr(pos_, 4)).c_str(), nullptr, 16);
          pos_ += 4;
          out += code < 0x80 ? static_cast<char>(code) : '?';  // the view draws ASCII only
          break;
        }
        default: out += e;
      }
    }
    return false;
  }

  bool parseValue(JsonValue& out, int depth) {
    if (depth > kMaxDepth) return false;
    skipBlanks();
    if (pos_ >= text_.size()) return false;
    char c = text_[pos_];
    if (c == '{') {
      ++pos_;
      out.kind = JsonValue::Kind::Object;
      if (take('}')) return true;
      do {
        std::string name;
        JsonValue member;
        if (!parseString(name) || !take(':') || !parseValue(member, depth + 1)) return false;
        out.members[name] = std::move(member);
      } while (take(','));
      return take('}');
    }
    if (c == '[') {
      ++pos_;
      out.kind = JsonValue::Kind::Array;
      if (take(']')) return true;
      do {
        out.items.emplace_back();
        if (!parseValue(out.items.back(), depth + 1)) return false;
      } while (take(','));
      return take(']');
    }
    if (c == '"') {
      out.kind = JsonValue::Kind::String;
      return parseString(out.text);
    }
    if (takeWord("true")) return out.kind = JsonValue::Kind::Bool, out.flag = true, true;
    if (takeWord("false")) return out.kind = JsonValue::Kind::Bool, true;
    if (takeWord("null")) return true;
    std::string number(text_.substr(pos_, 40));
    char* end = nullptr;
    out.number = std::strtod(number.c_str(), &end);
    if (end == number.c_str()) return false;
    out.kind = JsonValue::Kind::Number;
    pos_ += static_cast<size_t>(end - number.c_str());
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
  static const JsonValue kNull;
  auto it = members.find(name);
  return it == members.end() ? kNull : it->second;
}

std::optional<JsonValue> parseJson(std::string_view text) {
  JsonValue value;
  if (!Parser(text).parseWhole(value)) return std::nullopt;
  return value;
}

}  // namespace lab::view
