#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "controller/device_list.h"

// How an object holds one board of the device list: its handle, and the
// product id and serial number it asked for once.
class IOWarrior {
 public:
  IOWarrior() = default;
  // Tears the device list down when the handle was not borrowed from it.
  virtual ~IOWarrior();
  IOWarrior(const IOWarrior&) = delete;
  IOWarrior& operator=(const IOWarrior&) = delete;

  // Takes a board's handle and reads its serial number. A borrowed handle
  // belongs to the device list, which closes it.
  void SetDeviceHandle(IowHandle handle, bool borrowed);
  IowHandle GetDeviceHandle() const { return handle_; }
  // The product id, asked for the first time it is needed.
  uint16_t GetProductId();
  // The serial number, asked again when refresh is true or none is known.
  std::string GetSerialNumber(bool refresh = false);

 private:
  IowHandle handle_ = nullptr;
  uint32_t productId_ = 0;
  bool borrowed_ = false;
  std::array<char16_t, 9> serial_{};
};
