#include "device_registry.h"

#include <controller/at_once.h>
#include <controller/vantrix_controller.h>

DeviceRegistry::DeviceRegistry() = default;

DeviceRegistry::~DeviceRegistry() {
  DeleteAllDevices();
  factories_.clear();
}

void DeviceRegistry::addFactory(std::unique_ptr<ISimConnectDeviceFactory> factory) {
  factories_.push_back(std::move(factory));
}

bool DeviceRegistry::CreateDevice(const DeviceCreateInfo& info) {
  for (auto& factory : factories_) {
    if (CSimConnectDevice* device = factory->Create(info)) {
      devices_.emplace_back(device);
      return true;
    }
  }
  return false;
}

size_t DeviceRegistry::DeleteAllDevices() {
  size_t count = devices_.size();
  while (!devices_.empty()) devices_.erase(devices_.begin());
  return count;
}

void DeviceRegistry::EndOutputBatches(std::vector<CVantrixController*> boards) {
  forEachAtOnce(boards, [](CVantrixController* board) { board->EndOutputBatch(); });
}

void DeviceRegistry::DispatchToDevices(SIMCONNECT_RECV* message, DWORD size) {
  // What one message changes on the panels goes out as one batch per board:
  // every row that changed once, the boards side by side.
  std::vector<CVantrixController*> boards;
  for (auto& device : devices_) {
    if (CVantrixController* board = device->controller()) {
      board->BeginOutputBatch();
      boards.push_back(board);
    }
  }
  for (auto& device : devices_) device->SimConnectModuleDispatchProc(message, size);
  EndOutputBatches(std::move(boards));
}
