#pragma once
#include <string>

namespace registration {

// One simulator launch file (EXE.XML) as registration edits it. The
// registration runs talk to launch files through this, so that a run can be
// tried on launch files that fail on purpose.
class LaunchFile {
 public:
  virtual ~LaunchFile() = default;

  // Reads the file; a missing one counts as the default launch document.
  // False (with a message to the user) when it cannot be taken.
  virtual bool load() = 0;
  // Puts the program's entry last under the root, replacing an earlier
  // entry of that name. False when there is no loaded document to add to.
  virtual bool addEntry(const std::string& entryName, const std::string& programPath,
                        bool disabled, bool manualLoad) = 0;
  // Removes the first entry whose Name is exactly entryName, if any.
  virtual bool removeEntry(const std::string& entryName) = 0;
  // Writes the document back; true only when all of it was written.
  // False (with a message to the user naming the file and the reason)
  // when it could not be.
  virtual bool save() = 0;
};

}  // namespace registration
