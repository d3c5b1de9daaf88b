#include "lab/control_protocol.h"

#include <platform/runtime_dir.h>

#include <charconv>

namespace lab::control {
namespace {

bool needsQuotes(std::string_view word) {
  return word.empty() || word.find_first_of(" \t\"\\\n") != std::string_view::npos;
}

}  // namespace

std::string controlSocketPath() { return platform::runtimePath("lab/control.sock"); }

std::string encodeRequest(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    if (!needsQuotes(word)) {
      line += word;
      continue;
    }
    line += '"';
    for (char c : word) {
      if (c == '"' || c == '\\') line += '\\';
      line += c == '\n' ? ' ' : c;
    }
    line += '"';
  }
  return line + "\n";
}

std::optional<std::vector<std::string>> decodeRequest(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t') {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] != '"') {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
      words.push_back(std::move(word));
      continue;
    }
    ++i;  // the opening quote
    bool closed = false;
    while (i < line.size()) {
      char c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c == '\\' && i < line.size()) c = line[i++];
      word += c;
    }
    if (!closed) return std::nullopt;
    words.push_back(std::move(word));
  }
  return words;
}

std::string encodeReply(const Reply& reply) {
  return "status " + std::to_string(reply.status) + "\n" + reply.text;
}

std::optional<Reply> decodeReply(std::string_view bytes) {
  constexpr std::string_view kPrefix = "status ";
  size_t end = bytes.find('\n');
  if (bytes.substr(0, kPrefix.size()) != kPrefix || end == std::string_view::npos)
    return std::nullopt;
  Reply reply;
  const char* first = bytes.data() + kPrefix.size();
  const char* last = bytes.data() + end;
  auto [parsed, error] = std::from_chars(first, last, reply.status);
  if (error != std::errc() || parsed != last) return std::nullopt;
  reply.text = std::string(bytes.substr(end + 1));
  return reply;
}

}  // namespace lab::control
