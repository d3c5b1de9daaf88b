#include "controller/vantrix_controllers.h"

#include <cstdio>

#include "controller/at_once.h"
#include "controller/named_objects.h"
#include "controller/parse_hex.h"

namespace {

std::string controllerKey(uint16_t productId, const std::string& serial) {
  char prefix[8];
  std::snprintf(prefix, sizeof prefix, "%.04X-", productId);
  return prefix + serial;
}

}  // namespace

CVantrixControllers::~CVantrixControllers() {
  if (open_) Close();
  if (firstDevice_ && !borrowed_) iowCloseDevices(firstDevice_);
}

bool CVantrixControllers::Open() {
  if (open_) return true;
  const bool heldBefore = firstDevice_ != nullptr;
  if (!heldBefore) firstDevice_ = iowOpenDevices();
  if (!firstDevice_ || heldBefore) {
    open_ = false;
    heldRecords_.clear();
    return false;
  }
  open_ = true;
  deviceCount_ = iowDeviceCount();
  for (uint32_t i = 0; i < deviceCount_; ++i) {
    auto controller = std::make_unique<CVantrixController>();
    controller->SetDeviceHandle(iowDeviceHandle(i + 1), /*borrowed=*/true);
    std::string key = controllerKey(controller->GetProductId(), controller->GetSerialNumber());
    indexMap_[static_cast<int>(i)] = key;
    // A later board with the same key takes the place of the earlier one.
    keyMap_[key] = std::move(controller);
  }
  return true;
}

std::map<std::string, CVantrixController*> CVantrixControllers::SelectByModel(
    const std::vector<std::string>& models) {
  std::map<std::string, CVantrixController*> selected;
  // Each board's description is read once, all boards at the same time;
  // the models below come from what was read.
  std::vector<CVantrixController*> controllers;
  for (const auto& [key, controller] : keyMap_) controllers.push_back(controller.get());
  forEachAtOnce(controllers, [](CVantrixController* controller) { controller->ReadConfiguration(false); });
  // Every board still there has adopted its record by now.
  heldRecords_.clear();
  for (const std::string& model : models) {
    const std::string_view text(model);
    const std::string_view highText = text.substr(0, 2);
    const int wanted = static_cast<int>(parseHex(highText) * 256 +
                                        parseHex(text.substr(highText.size(), 2)));
    for (const auto& [key, controller] : keyMap_)
      if (controller->GetModel(1, false) == wanted)
        selected[controller->GetSerialNumber()] = controller.get();
  }
  return selected;
}

void CVantrixControllers::Close(bool keepBoardRecords) {
  heldRecords_.clear();
  if (keepBoardRecords)
    for (const auto& [key, controller] : keyMap_)
      if (auto record = platform::NamedSharedMemory::openExisting(
              controllerInfoName(controller->GetProductId(), controller->GetSerialNumber())))
        heldRecords_.push_back(std::move(record));
  if (firstDevice_ && !borrowed_) {
    iowCloseDevices(firstDevice_);
    firstDevice_ = nullptr;
  }
  open_ = false;
  // The list is gone first, so the controllers find their handles invalid
  // and send nothing more to the boards.
  for (auto entry = keyMap_.begin(); entry != keyMap_.end();) {
    entry->second->Close();
    entry = keyMap_.erase(entry);
  }
}

std::vector<std::string> CVantrixControllers::Keys() const {
  std::vector<std::string> keys;
  for (const auto& [key, controller] : keyMap_) keys.push_back(key);
  return keys;
}
