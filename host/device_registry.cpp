#include "device_registry.h"

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

void DeviceRegistry::DispatchToDevices(SIMCONNECT_RECV* message, DWORD size) {
  for (auto& device : devices_) device->SimConnectModuleDispatchProc(message, size);
}
