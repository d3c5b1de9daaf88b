#pragma once
#include <platform/file_edit_turn.h>
#include <platform/xml_document.h>

#include <memory>

#include <string>

#include "registration/launch_file.h"
#include "registration/simulator_kind.h"

namespace registration {

// The launch file of one installed simulator: where it lives, the caption
// of its messages, and its XML document. From its load until it goes, it
// holds the turn to change the file: another registration run (the other
// program's, say) waits, so neither loses the other's entry.
class SimulatorLaunchFile : public LaunchFile {
 public:
  // folder ends with a path separator; the file is folder + "EXE.XML".
  SimulatorLaunchFile(SimulatorKind kind, const std::string& folder);

  SimulatorKind kind() const { return kind_; }
  const std::string& fileName() const { return fileName_; }
  const std::string& fullPath() const { return fullPath_; }
  // "SimConnect Module Update" and the simulator's suffix (" - FSX").
  const std::string& caption() const { return caption_; }
  const platform::XmlDocument& document() const { return document_; }

  bool load() override;
  bool addEntry(const std::string& entryName, const std::string& programPath, bool disabled,
                bool manualLoad) override;
  bool removeEntry(const std::string& entryName) override;
  bool save() override;

 private:
  SimulatorKind kind_;
  // Held from load to the file's end, so that a whole registration run's
  // load-edit-save of this file is one turn.
  std::unique_ptr<platform::FileEditTurn> turn_;
  platform::XmlDocument document_;
  platform::XmlElement root_;  // set by a successful load
  std::string fileName_;
  std::string fullPath_;
  std::string caption_;
};

}  // namespace registration
