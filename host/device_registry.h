#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "sim_connect_device.h"

// Owns the factories (asked in order, the first device wins) and the devices
// (in creation order).
class DeviceRegistry {
 public:
  DeviceRegistry();
  ~DeviceRegistry();
  DeviceRegistry(const DeviceRegistry&) = delete;
  DeviceRegistry& operator=(const DeviceRegistry&) = delete;

  void addFactory(std::unique_ptr<ISimConnectDeviceFactory> factory);
  bool CreateDevice(const DeviceCreateInfo& info);
  // Deletes every device, first to last; returns how many there were.
  size_t DeleteAllDevices();
  // Hands the message to every device; what it changes on the panels goes
  // out as one batch per board, the boards side by side.
  void DispatchToDevices(SIMCONNECT_RECV* message, DWORD size);
  // Ends the output batches of these boards together, each board's rows on
  // a thread of its own, so many panels do not queue behind one another.
  void EndOutputBatches(std::vector<CVantrixController*> boards);
  size_t deviceCount() const { return devices_.size(); }
  void forEachDevice(const std::function<void(CSimConnectDevice&)>& visit) {
    for (auto& device : devices_) visit(*device);
  }

 private:
  std::vector<std::unique_ptr<ISimConnectDeviceFactory>> factories_;
  std::vector<std::unique_ptr<CSimConnectDevice>> devices_;
};
