#pragma once
// What kestrix-boards tells about a board: the facts discovery found about
// its two interfaces and what its configuration memory says, gathered from
// the open device list, and their texts.
#include <controller/controller_info.h>
#include <controller/vantrix_controller.h>
#include <platform/hid.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace boardtool {

struct BoardFacts {
  std::string serial;
  uint16_t vendorId = 0, productId = 0;
  platform::HidInterfaceInfo interfaces[2];  // pin (0), special mode (1)
  bool described = false;  // the configuration memory could be read
  ControllerInfo info{};
};

// Every board of the open device list with a controller object each (the
// list stays open while this lives). Empty when no board is there.
class OpenBoards {
 public:
  OpenBoards();
  ~OpenBoards();
  OpenBoards(const OpenBoards&) = delete;
  OpenBoards& operator=(const OpenBoards&) = delete;

  size_t count() const { return controllers_.size(); }
  CVantrixController* controller(size_t index) { return controllers_[index].get(); }
  // The board with this serial number (any letter case); null when none.
  CVantrixController* find(const std::string& serial);
  // Reads the configuration memory unless another program published it.
  BoardFacts facts(size_t index);

 private:
  std::vector<std::unique_ptr<CVantrixController>> controllers_;
};

// "1FD1:03E8"
std::string idsText(uint16_t vendorId, uint16_t productId);
// The block `list` prints for a board; `show` adds the ports.
std::string boardText(const BoardFacts& facts);
std::string portsText(const int32_t ports[4]);

}  // namespace boardtool
