#include "registry_text.h"

#include <cstdio>

#include "platform/registry.h"

namespace platform::regedit {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view trim(std::string_view text) {
  const char* blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool startsWithName(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && sameName(text.substr(0, prefix.size()), prefix);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Lines as regedit reads them: a line that ends in a backslash goes on in
// the next one (long hex values are written that way).
std::vector<std::string> logicalLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string pending;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = trim(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\\' && line.front() != '[') {
      pending += line.substr(0, line.size() - 1);
    } else {
      pending += line;
      lines.push_back(std::move(pending));
      pending.clear();
    }
    start = end + 1;
  }
  if (!pending.empty()) lines.push_back(std::move(pending));
  return lines;
}

// A quoted text with regedit's escapes (\\ and \"), starting at text[at]
// == '"'. Moves at past the closing quote; false when there is none.
bool readQuoted(std::string_view text, size_t& at, std::string& out) {
  out.clear();
  for (size_t i = at + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      at = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) c = text[++i];
    out += c;
  }
  return false;
}

bool readHexBytes(std::string_view text, std::string& out) {
  out.clear();
  int byte = 0;
  int digits = 0;
  for (char c : text) {
    if (c == ',' || c == ' ' || c == '\t') {
      if (digits > 0) out += static_cast<char>(byte);
      byte = digits = 0;
      continue;
    }
    int digit = hexDigit(c);
    if (digit < 0 || ++digits > 2) return false;
    byte = byte * 16 + digit;
  }
  if (digits > 0) out += static_cast<char>(byte);
  return true;
}

bool readHexNumber(std::string_view text, uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    int digit = hexDigit(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return true;
}

enum class DataOutcome { Value, Deletion, Nonsense };

DataOutcome readData(std::string_view text, ValueRecord& value) {
  if (text == "-") return DataOutcome::Deletion;
  if (!text.empty() && text.front() == '"') {
    size_t at = 0;
    if (!readQuoted(text, at, value.data) || !trim(text.substr(at)).empty()) return DataOutcome::Nonsense;
    value.type = kRegSz;
    value.data += '\0';
    return DataOutcome::Value;
  }
  if (startsWithName(text, "dword:")) {
    uint32_t number = 0;
    if (!readHexNumber(trim(text.substr(6)), number)) return DataOutcome::Nonsense;
    value.type = kRegDword;
    value.data.clear();
    for (int i = 0; i < 4; ++i) value.data += static_cast<char>((number >> (8 * i)) & 0xff);
    return DataOutcome::Value;
  }
  if (startsWithName(text, "hex:")) {
    value.type = kRegBinary;
    return readHexBytes(text.substr(4), value.data) ? DataOutcome::Value : DataOutcome::Nonsense;
  }
  if (startsWithName(text, "hex(")) {
    size_t close = text.find("):");
    if (close == std::string_view::npos || !readHexNumber(text.substr(4, close - 4), value.type))
      return DataOutcome::Nonsense;
    return readHexBytes(text.substr(close + 2), value.data) ? DataOutcome::Value : DataOutcome::Nonsense;
  }
  return DataOutcome::Nonsense;
}

KeyRecord* findKey(std::vector<KeyRecord>& keys, std::string_view path) {
  for (auto& key : keys)
    if (sameName(key.path, path)) return &key;
  return nullptr;
}

void readValueLine(std::string_view line, KeyRecord& key) {
  ValueRecord value;
  size_t at = 0;
  if (line.front() == '@') {
    at = 1;
  } else if (!readQuoted(line, at, value.name)) {
    return;
  }
  std::string_view rest = trim(line.substr(at));
  if (rest.empty() || rest.front() != '=') return;
  DataOutcome outcome = readData(trim(rest.substr(1)), value);
  if (outcome == DataOutcome::Nonsense) return;
  for (auto it = key.values.begin(); it != key.values.end(); ++it) {
    if (!sameName(it->name, value.name)) continue;
    if (outcome == DataOutcome::Deletion)
      key.values.erase(it);
    else
      *it = std::move(value);
    return;
  }
  if (outcome == DataOutcome::Value) key.values.push_back(std::move(value));
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Text that survives the "text" form: one NUL at its end and no other, and
// no line break that would end the line.
bool isPlainString(const ValueRecord& value) {
  if (value.type != kRegSz || value.data.empty() || value.data.back() != '\0') return false;
  std::string_view text(value.data.data(), value.data.size() - 1);
  return text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

std::string formatData(const ValueRecord& value) {
  if (isPlainString(value)) return quoted(std::string_view(value.data.data(), value.data.size() - 1));
  char buffer[32];
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) number = number * 256 + static_cast<unsigned char>(value.data[i]);
    std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
    return buffer;
  }
  std::string out;
  if (value.type == kRegBinary) {
    out = "hex:";
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    out = buffer;
  }
  for (size_t i = 0; i < value.data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, i ? ",%02x" : "%02x", static_cast<unsigned char>(value.data[i]));
    out += buffer;
  }
  return out;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::vector<KeyRecord> parseHive(std::string_view text, std::string_view hiveName) {
  std::vector<KeyRecord> keys;
  KeyRecord* current = nullptr;
  for (const std::string& line : logicalLines(text)) {
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      current = nullptr;
      size_t close = line.rfind(']');
      if (close == std::string::npos) continue;
      std::string_view name = std::string_view(line).substr(1, close - 1);
      if (!startsWithName(name, hiveName)) continue;  // another hive, or a deletion "[-...]"
      std::string_view path = name.substr(hiveName.size());
      if (!path.empty() && path.front() != '\\') continue;
      while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
      while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
      current = findKey(keys, path);
      if (!current) current = &keys.emplace_back(KeyRecord{std::string(path), {}});
      continue;
    }
    if (current && (line.front() == '"' || line.front() == '@')) readValueLine(line, *current);
  }
  return keys;
}

std::string formatHive(const std::vector<KeyRecord>& keys, std::string_view hiveName) {
  std::string text = "REGEDIT4\n";
  for (const auto& key : keys) {
    text += "\n[";
    text += hiveName;
    if (!key.path.empty()) text += "\\" + key.path;
    text += "]\n";
    for (const auto& value : key.values)
      text += (value.name.empty() ? std::string("@") : quoted(value.name)) + "=" + formatData(value) + "\n";
  }
  return text;
}

}  // namespace platform::regedit
