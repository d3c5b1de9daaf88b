#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <platform/named_shared_memory.h>

#include "controller/device_list.h"
#include "controller/vantrix_controller.h"

// Every Vantrix board of the machine as one controller object each: opens
// the device list, lets the session pick boards by model, and closes it
// all again. Used from one thread.
class CVantrixControllers {
 public:
  CVantrixControllers() = default;
  virtual ~CVantrixControllers();
  CVantrixControllers(const CVantrixControllers&) = delete;
  CVantrixControllers& operator=(const CVantrixControllers&) = delete;

  // Opens the device list and makes a controller per board; true when open
  // (also when it already was). False when no board was found.
  bool Open();
  // The controllers whose model (chip 1) is one of the texts ("3401": high
  // byte 0x34, low byte 0x01), by serial number. Valid until Close.
  std::map<std::string, CVantrixController*> SelectByModel(const std::vector<std::string>& models);
  // Tears the device list down, then closes and deletes every controller.
  // With keepBoardRecords the records of the boards' memory that the
  // controllers published stay held until the next SelectByModel has read
  // the boards: a board still plugged in then adopts its record instead of
  // reading its memory again.
  void Close(bool keepBoardRecords = false);

  bool IsOpen() const { return open_; }
  uint32_t DeviceCount() const { return deviceCount_; }
  // "%.04X-%s": product id and serial number of each controller, in order.
  std::vector<std::string> Keys() const;

 private:
  bool open_ = false;
  std::map<std::string, std::unique_ptr<CVantrixController>> keyMap_;
  std::map<int, std::string> indexMap_;
  IowHandle firstDevice_ = nullptr;
  bool borrowed_ = false;  // the collection owns the device list
  uint32_t deviceCount_ = 0;
  std::vector<std::unique_ptr<platform::NamedSharedMemory>> heldRecords_;
};
