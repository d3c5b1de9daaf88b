#include "controller/named_objects.h"

#include <cstdio>

namespace {

constexpr char kIicMarkerId[] = "{42B78B09-C529-42c0-B5C5-8D9C65ADEE24}";
constexpr char kControllerInfoId[] = "{B0BA7E7B-3E64-4bf7-ADB8-0B6C9D528DF6}";
constexpr char kKeyThreadEndingId[] = "Vantrix Thread - {04B7BC2B-1CCA-406a-98C3-6971DB8EEDB8}";
constexpr char kKeyRefreshId[] = "Vantrix Event - {B2B7F5A1-234B-4cbd-930C-F0465879E0C6}";

std::string boardObjectName(const char* format, uint16_t productId, const std::string& serial,
                            const char* id) {
  char name[128];
  std::snprintf(name, sizeof name, format, productId, serial.c_str(), id);
  return name;
}

}  // namespace

std::string ownershipMutexName(uint16_t productId, const std::string& serial) {
  char name[64];
  std::snprintf(name, sizeof name, "%x-%.8s:Locked", productId, serial.c_str());
  return name;
}

std::string iicMarkerName(uint16_t productId, const std::string& serial) {
  return boardObjectName("%X-%s:%s", productId, serial, kIicMarkerId);
}

std::string controllerInfoName(uint16_t productId, const std::string& serial) {
  return boardObjectName("%X-%s:%s", productId, serial, kControllerInfoId);
}

std::string boardMemoryLockName(const std::string& serial) { return "GlobalLock:" + serial; }

std::string keyThreadStartEventName(const std::string& serial) {
  return "KeyMatrixReadThreadStartEvent-" + serial;
}

std::string keyThreadEndingEventName(const std::string& serial) {
  return serial + ":" + kKeyThreadEndingId;
}

std::string keyRefreshEventName(const std::string& serial) { return serial + ":" + kKeyRefreshId; }
