#include "registration_messages.h"

#include <platform/user_notice.h>

namespace registration {

void showLoadError(const std::string& caption, const std::string& fileName,
                   const platform::XmlParseError& error) {
  platform::showMessageBox(
      caption, "Error loading " + fileName + " at line " + std::to_string(error.line) + "\n" + error.reason,
      platform::MessageIcon::Error);
}

void showSaveError(const std::string& caption, const std::string& path, const std::string& reason) {
  platform::showMessageBox(caption, "Error saving " + path + "\n" + reason,
                           platform::MessageIcon::Error);
}

void showFolderUnknown(const std::string& caption, const std::string& variable) {
  platform::showMessageBox(caption,
                           "Cannot find EXE.XML: the environment variable " + variable +
                               " is not set, so this simulator is skipped.",
                           platform::MessageIcon::Error);
}

namespace {

// The path as a person can read it: bytes that are no printable ASCII as \xNN.
std::string readablePath(const std::string& path) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string readable;
  for (unsigned char c : path) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      readable += static_cast<char>(c);
    } else {
      readable += "\\x";
      readable += kHexDigits[c >> 4];
      readable += kHexDigits[c & 0xF];
    }
  }
  return readable;
}

}  // namespace

void showPathRefused(const std::string& entryName, const std::string& programPath) {
  platform::showMessageBox(entryName,
                           "Unable to add this module to the SimConnect file: its path is not text "
                           "that EXE.XML can hold. Start it from a folder whose name is text.\n" +
                               readablePath(programPath),
                           platform::MessageIcon::Error);
}

void showAddFailure(const std::string& entryName) {
  platform::showMessageBox(entryName,
                           "Unable to add this module to the SimConnect file.  You will need to start "
                           "the module manually.",
                           platform::MessageIcon::Error);
}

}  // namespace registration
