#pragma once
// The lab backend of the HID service: how the lab's board emulator shows its
// interfaces to the system, and how the platform finds and talks to them.
// Only platform/posix/hid_* and the lab's board emulator use this header;
// programs use platform/hid.h.
//
// Every interface of a plugged board is two entries of <runtime dir>/hid/:
//   <file name>.hid   its descriptor, "key = value" lines (encodeDescriptor),
//                     written to a temporary name and renamed into place, so
//                     a reader never sees half of one;
//   <socket name>     a SOCK_SEQPACKET Unix socket, one packet per report.
// The descriptor's file name is the middle of the interface path
// ("VID_1FD1&PID_03E8&MI_01#7&1a2b3c4d&0&0001.hid"), so a watcher can name
// an interface whose descriptor is already gone.
//
// A connection to the socket is one open handle:
//   client  -> lab : hello, one byte: kHelloRead or kHelloWrite
//   lab     -> client: kWelcome once the handle is registered (a read handle
//                      receives every input report from then on)
//   read handle:   lab -> client: each input report, one packet each
//   write handle:  client -> lab: one output report per packet;
//                  lab -> client: one byte per report, kTaken, or kRefused
//                  when its length is not the output report length.
//                  A lab that stalls writes simply reads no more.
// Unplugging removes the descriptors, then shuts every connection down
// (the client sees POLLHUP) and removes the sockets.
#include "platform/hid.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::hidlab {

constexpr uint8_t kHelloRead = 'R';
constexpr uint8_t kHelloWrite = 'W';
constexpr uint8_t kWelcome = 'K';
constexpr uint8_t kTaken = 1;
constexpr uint8_t kRefused = 0;

// The class GUID of HID device interfaces, the tail of every path.
constexpr std::string_view kHidInterfaceClass = "{4d1e55b2-f16f-11cf-88cb-001111000030}";
constexpr std::string_view kDescriptorSuffix = ".hid";

// What a descriptor holds: the enumeration facts of one interface (strings
// in UTF-8) and the name of its socket in the same folder.
struct Descriptor {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
  uint16_t inputReportLength = 0;
  uint16_t outputReportLength = 0;
  std::optional<std::string> serialNumber;
  std::optional<std::string> indexedString0;
  uint64_t groupingNode = 0;
  uint32_t deviceNode = 0;
  int interfaceNumber = -1;
  std::string socketName;
};

// <runtime dir>/hid
std::string folderIn(const std::string& runtimeDir);

// "\\?\HID#VID_1FD1&PID_03E8&MI_01#<instance>#{4d1e55b2-...}"
std::string interfacePath(uint16_t vendorId, uint16_t productId, int interfaceNumber,
                          const std::string& instance);
// The descriptor's file name for an interface path, and back. Empty or
// nothing for names that are not of that shape.
std::string descriptorFileName(const std::string& interfacePath);
std::optional<std::string> interfacePathOf(std::string_view descriptorFileName);

std::string encodeDescriptor(const Descriptor& descriptor);
std::optional<Descriptor> decodeDescriptor(std::string_view text);

// Writes the descriptor into folder under its file name, atomically.
bool writeDescriptor(const std::string& folder, const Descriptor& descriptor);
// Every readable descriptor in folder, in plug order (by device node).
std::vector<Descriptor> readDescriptors(const std::string& folder);

HidInterfaceInfo toInterfaceInfo(const Descriptor& descriptor);

}  // namespace platform::hidlab
