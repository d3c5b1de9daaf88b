#include "board_facts.h"

#include <controller/device_list.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace boardtool {
namespace {

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string interfaceLine(int number, const platform::HidInterfaceInfo& info) {
  char text[96];
  std::snprintf(text, sizeof text, "  MI_%02d  %s  reports in %u, out %u bytes  ", number,
                number == 0 ? "pin         " : "special mode", info.inputReportLength,
                info.outputReportLength);
  return text + info.path + "\n";
}

std::string rangesText(const ControllerInfo& info) {
  std::string text;
  for (int range = 0; range < 4; ++range) {
    const ControllerInfo::Range& r = info.ranges[range];
    if (r.count == 0) continue;
    char part[48];
    std::snprintf(part, sizeof part, "%s%d: %u-%u", text.empty() ? "" : ", ", range + 1,
                  r.first, r.last);
    text += part;
  }
  return text.empty() ? "none" : text;
}

}  // namespace

OpenBoards::OpenBoards() {
  if (!iowOpenDevices()) return;
  const uint32_t count = iowDeviceCount();
  for (uint32_t i = 1; i <= count; ++i) {
    auto controller = std::make_unique<CVantrixController>();
    controller->SetDeviceHandle(iowDeviceHandle(i), /*borrowed=*/true);
    controllers_.push_back(std::move(controller));
  }
}

OpenBoards::~OpenBoards() {
  // The list first, so that closing the controllers sends nothing more.
  iowCloseDevices(nullptr);
  for (auto& controller : controllers_) controller->Close();
}

CVantrixController* OpenBoards::find(const std::string& serial) {
  for (auto& controller : controllers_)
    if (upper(controller->GetSerialNumber()) == upper(serial)) return controller.get();
  return nullptr;
}

BoardFacts OpenBoards::facts(size_t index) {
  CVantrixController& controller = *controllers_[index];
  BoardFacts facts;
  facts.serial = controller.GetSerialNumber();
  for (int number = 0; number < 2; ++number)
    if (auto info = iowInterfaceInfo(controller.GetDeviceHandle(), number))
      facts.interfaces[number] = *info;
  facts.vendorId = facts.interfaces[0].vendorId;
  facts.productId = facts.interfaces[0].productId;
  facts.described = controller.ReadConfiguration(false);
  if (facts.described) facts.info = controller.GetControllerInfo();
  return facts;
}

std::string idsText(uint16_t vendorId, uint16_t productId) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X:%04X", vendorId, productId);
  return text;
}

std::string boardText(const BoardFacts& facts) {
  std::string text = (facts.serial.empty() ? "(no serial)" : facts.serial) + "  " +
                     idsText(facts.vendorId, facts.productId) + "  ";
  if (!facts.described) {
    text += "configuration memory unreadable\n";
  } else {
    const ControllerInfo& info = facts.info;
    const std::string model(info.modelText, strnlen(info.modelText, sizeof info.modelText));
    const std::string date(info.dateText, strnlen(info.dateText, sizeof info.dateText));
    // A blank memory reads 0xFF everywhere: no model is stored.
    const bool noModel = model.empty() || model == "FFFF";
    text += "model " + (noModel ? std::string("none") : model) + ", variant " +
            std::to_string(info.variantNumber);
    if (!date.empty()) text += ", made " + date;
    char features[48];
    std::snprintf(features, sizeof features, "\n  features 0x%08X, ranges ", info.featureWord);
    text += features + rangesText(info) + "\n";
  }
  for (int number = 0; number < 2; ++number) text += interfaceLine(number, facts.interfaces[number]);
  return text;
}

std::string portsText(const int32_t ports[4]) {
  if (ports[0] < 0) return "  ports  not answered\n";
  char text[64];
  std::snprintf(text, sizeof text, "  ports  %02X %02X %02X %02X\n", ports[0] & 0xFF,
                ports[1] & 0xFF, ports[2] & 0xFF, ports[3] & 0xFF);
  return text;
}

}  // namespace boardtool
