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

void showAddFailure(const std::string& entryName) {
  platform::showMessageBox(entryName,
                           "Unable to add this module to the SimConnect file.  You will need to start "
                           "the module manually.",
                           platform::MessageIcon::Error);
}

}  // namespace registration
