#include "platform/profile_file.h"

#include <optional>

#include "file_content.h"
#include "platform/file_edit_turn.h"
#include "profile_text.h"

namespace platform {
namespace {


std::optional<std::string> readValue(const std::string& section, const std::string& key,
                                     const std::string& path) {
  FileContent content = readFileContent(path);
  if (content.outcome != FileReadOutcome::Read) return std::nullopt;
  auto value = profile::findValue(content.bytes, section, key);
  if (!value) return std::nullopt;
  return profile::stripEnclosingQuotes(*value);
}

}  // namespace

int getProfileInt(const std::string& section, const std::string& key, int defaultValue,
                  const std::string& path) {
  auto value = readValue(section, key, path);
  return value ? profile::parseInteger(*value, defaultValue) : defaultValue;
}

std::string getProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue, const std::string& path) {
  return readValue(section, key, path).value_or(defaultValue);
}

bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
  // Writers take turns, across threads and programs, so that no read-change-
  // write loses another one's change.
  FileEditTurn turn(path);
  FileContent old = readFileContent(path);
  if (old.outcome == FileReadOutcome::Failed) return false;  // never clobber what we cannot read
  auto updated = profile::withValue(old.bytes, section, key, value);
  if (!updated) return false;
  // A value that is stored already needs no new file (and no wait for the
  // disk): a panel stores its channel every time it is built.
  if (old.outcome == FileReadOutcome::Read && *updated == old.bytes) return true;
  return replaceFileContent(path, *updated);
}

}  // namespace platform
