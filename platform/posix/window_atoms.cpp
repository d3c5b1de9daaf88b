#include <cstdio>

#include "platform/window_messages.h"
#include "posix/window_files.h"

namespace platform {
namespace {

constexpr unsigned kFirstAtom = 0xC000;
constexpr unsigned kLastAtom = 0xFFFF;

// One line of the atom table: "ATOM REFERENCES TEXT".
struct AtomLine {
  unsigned atom = 0;
  unsigned references = 0;
  std::string text;
};

bool parse(const std::string& line, AtomLine& out) {
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%x %u %n", &out.atom, &out.references, &consumed) != 2)
    return false;
  out.text = line.substr(static_cast<size_t>(consumed));
  return true;
}

std::string format(const AtomLine& entry) {
  char head[32];
  std::snprintf(head, sizeof head, "%04X %u ", entry.atom, entry.references);
  return head + entry.text;
}

bool validText(const std::string& text) {
  return !text.empty() && text.size() <= posix::kMaxAtomText &&
         text.find('\n') == std::string::npos;
}

}  // namespace

uint16_t addAtom(const std::string& text) {
  if (!validText(text)) return 0;
  unsigned result = 0;
  posix::updateLockedTable("atoms", [&](std::vector<std::string>& lines) {
    std::vector<bool> used(kLastAtom - kFirstAtom + 1, false);
    for (auto& line : lines) {
      AtomLine entry;
      if (!parse(line, entry) || entry.atom < kFirstAtom || entry.atom > kLastAtom) continue;
      if (posix::equalsIgnoringCase(entry.text, text)) {
        ++entry.references;
        line = format(entry);
        result = entry.atom;
        return true;
      }
      used[entry.atom - kFirstAtom] = true;
    }
    for (unsigned i = 0; i < used.size(); ++i)
      if (!used[i]) {
        result = kFirstAtom + i;
        lines.push_back(format({result, 1, text}));
        return true;
      }
    return false;  // the table is full
  });
  return static_cast<uint16_t>(result);
}

void deleteAtom(uint16_t atom) {
  posix::updateLockedTable("atoms", [&](std::vector<std::string>& lines) {
    for (size_t i = 0; i < lines.size(); ++i) {
      AtomLine entry;
      if (!parse(lines[i], entry) || entry.atom != atom) continue;
      if (--entry.references == 0)
        lines.erase(lines.begin() + static_cast<long>(i));
      else
        lines[i] = format(entry);
      return true;
    }
    return false;
  });
}

std::string atomText(uint16_t atom) {
  std::string text;
  if (atom < kFirstAtom) return text;
  posix::updateLockedTable("atoms", [&](std::vector<std::string>& lines) {
    for (const auto& line : lines) {
      AtomLine entry;
      if (parse(line, entry) && entry.atom == atom) {
        text = entry.text;
        break;
      }
    }
    return false;
  });
  return text;
}

}  // namespace platform
