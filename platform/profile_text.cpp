#include "profile_text.h"

#include <cstdint>
#include <vector>

namespace platform::profile {
namespace {

// Windows also counts Ctrl-Z, the old end-of-file mark, as a blank.
bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

enum class LineKind { Section, Entry, Other };

struct Line {
  size_t begin = 0;  // first byte of the line
  size_t end = 0;    // end of its content, before "\r\n" or "\n"
  size_t next = 0;   // first byte of the following line
  LineKind kind = LineKind::Other;
  std::string_view name;   // section name or key, trimmed
  std::string_view value;  // trimmed, for entries with '='
  bool hasValue = false;
};

Line classify(std::string_view text, size_t begin, size_t end, size_t next) {
  Line line;
  line.begin = begin;
  line.end = end;
  line.next = next;
  std::string_view content = trim(text.substr(begin, end - begin));
  if (content.empty() || content.front() == ';') return line;
  if (content.front() == '[') {
    size_t close = content.rfind(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = trim(content.substr(1, close - 1));
      return line;
    }
  }
  // An entry; a line without '=' names a key that has no value.
  line.kind = LineKind::Entry;
  size_t equals = content.find('=');
  line.name = trim(content.substr(0, equals));
  if (equals != std::string_view::npos) {
    line.hasValue = true;
    line.value = trim(content.substr(equals + 1));
  }
  return line;
}

std::vector<Line> splitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t begin = 0;
  // A UTF-8 byte order mark is not part of the first line's content.
  if (text.substr(0, 3) == "\xEF\xBB\xBF") begin = 3;
  while (begin < text.size()) {
    size_t newline = text.find('\n', begin);
    size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
    size_t end = newline == std::string_view::npos ? text.size() : newline;
    if (end > begin && text[end - 1] == '\r') --end;
    lines.push_back(classify(text, begin, end, next));
    begin = next;
  }
  return lines;
}

// Index of the first section header of that name, or lines.size().
size_t findSection(const std::vector<Line>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].kind == LineKind::Section && sameName(lines[i].name, section)) return i;
  return lines.size();
}

// One past the last line of the section that starts at header.
size_t sectionEnd(const std::vector<Line>& lines, size_t header) {
  size_t i = header + 1;
  while (i < lines.size() && lines[i].kind != LineKind::Section) ++i;
  return i;
}

const Line* findEntry(const std::vector<Line>& lines, std::string_view section,
                      std::string_view key) {
  size_t header = findSection(lines, section);
  if (header == lines.size()) return nullptr;
  size_t end = sectionEnd(lines, header);
  for (size_t i = header + 1; i < end; ++i)
    if (lines[i].kind == LineKind::Entry && sameName(lines[i].name, key)) return &lines[i];
  return nullptr;
}

// The line break the file already uses, so that added lines match it.
std::string_view lineBreakOf(std::string_view text) {
  return text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

}  // namespace

std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
  section = trim(section);
  key = trim(key);
  if (key.empty()) return std::nullopt;
  std::vector<Line> lines = splitLines(text);
  const Line* entry = findEntry(lines, section, key);
  if (!entry || !entry->hasValue) return std::nullopt;
  return std::string(entry->value);
}

std::string stripEnclosingQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

int parseInteger(std::string_view value, int defaultValue) {
  if (value.empty()) return defaultValue;
  size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0' && (value[i + 1] == 'x' || value[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  uint32_t number = 0;  // wraps like the 32-bit arithmetic of Windows
  for (; i < value.size(); ++i) {
    char c = value[i];
    uint32_t digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (base == 16 && asciiLower(c) >= 'a' && asciiLower(c) <= 'f')
      digit = static_cast<uint32_t>(asciiLower(c) - 'a' + 10);
    else
      break;
    if (digit >= base) break;
    number = number * base + digit;
  }
  if (negative) number = 0u - number;
  return static_cast<int>(number);
}

std::optional<std::string> withValue(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view value) {
  section = trim(section);
  key = trim(key);
  if (section.empty() || key.empty()) return std::nullopt;
  const std::string_view lineBreak = lineBreakOf(text);
  std::vector<Line> lines = splitLines(text);
  std::string result(text);

  size_t header = findSection(lines, section);
  if (header == lines.size()) {
    if (!result.empty() && result.back() != '\n') result += lineBreak;
    result.append("[").append(section).append("]").append(lineBreak);
    result.append(key).append("=").append(value).append(lineBreak);
    return result;
  }

  if (const Line* entry = findEntry(lines, section, key)) {
    // The key keeps the spelling it has in the file.
    std::string replacement = std::string(entry->name) + "=" + std::string(value);
    result.replace(entry->begin, entry->end - entry->begin, replacement);
    return result;
  }

  // After the section's last line that is not blank, so that blank lines
  // separating it from the next section stay where they are.
  size_t last = header;
  for (size_t i = header + 1; i < sectionEnd(lines, header); ++i)
    if (!trim(text.substr(lines[i].begin, lines[i].end - lines[i].begin)).empty()) last = i;
  std::string added;
  if (text[lines[last].next - 1] != '\n') added += lineBreak;  // the file's last line had none
  added.append(key).append("=").append(value).append(lineBreak);
  result.insert(lines[last].next, added);
  return result;
}

}  // namespace platform::profile
