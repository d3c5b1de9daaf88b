#include "posix/usb_names.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "platform/hid_lab.h"

namespace platform::usb {
namespace {

constexpr std::string_view kPrefix = "\\\\?\\hid#";
constexpr std::string_view kInstance = "usb-";

std::string hex(unsigned value, int width) {
  char text[12];
  std::snprintf(text, sizeof text, "%0*x", width, value);
  return text;
}

template <typename Number>
bool parseNumber(std::string_view text, int base, Number& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The text after tag up to end; empty when tag is missing.
std::string_view between(std::string_view text, std::string_view tag, char end, size_t& at) {
  if (text.substr(at, tag.size()) != tag) return {};
  size_t start = at + tag.size();
  size_t stop = text.find(end, start);
  if (stop == std::string_view::npos) return {};
  at = stop + 1;
  return text.substr(start, stop - start);
}

}  // namespace

bool isBoardProduct(uint16_t vendorId, uint16_t productId) {
  if (vendorId == 0x1FD1) return productId == 0x03E8 || productId == 0x03EA;
  return vendorId == 0x07C0 && productId == 0x1583;
}

std::string interfacePathOf(uint16_t vendorId, uint16_t productId, int interfaceNumber,
                            const UsbAddress& address) {
  std::string ports;
  for (uint8_t port : address.ports) ports += (ports.empty() ? "" : ".") + std::to_string(port);
  std::string path = std::string(kPrefix) + "vid_" + hex(vendorId, 4) + "&pid_" +
                     hex(productId, 4) + "&mi_" + hex(static_cast<unsigned>(interfaceNumber), 2) +
                     "#" + std::string(kInstance) + std::to_string(address.bus) + "-" + ports +
                     "#";
  for (char c : hidlab::kHidInterfaceClass) path += c;
  return path;
}

std::optional<ParsedInterfacePath> parseInterfacePath(const std::string& path) {
  std::string lower(path);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::string_view text = lower;
  if (text.substr(0, kPrefix.size()) != kPrefix) return std::nullopt;
  size_t at = kPrefix.size();
  ParsedInterfacePath parsed;
  if (!parseNumber(between(text, "vid_", '&', at), 16, parsed.vendorId) ||
      !parseNumber(between(text, "pid_", '&', at), 16, parsed.productId) ||
      !parseNumber(between(text, "mi_", '#', at), 16, parsed.interfaceNumber) ||
      !parseNumber(between(text, kInstance, '-', at), 10, parsed.address.bus))
    return std::nullopt;
  size_t end = text.find('#', at);
  if (end == std::string_view::npos || text.substr(end + 1) != hidlab::kHidInterfaceClass)
    return std::nullopt;
  std::string_view ports = text.substr(at, end - at);
  while (!ports.empty()) {
    size_t dot = ports.find('.');
    uint8_t port = 0;
    if (!parseNumber(ports.substr(0, dot), 10, port)) return std::nullopt;
    parsed.address.ports.push_back(port);
    ports = dot == std::string_view::npos ? std::string_view() : ports.substr(dot + 1);
    if (dot != std::string_view::npos && ports.empty()) return std::nullopt;
  }
  if (parsed.address.ports.empty()) return std::nullopt;
  return parsed;
}

uint64_t groupingNodeOf(const UsbAddress& address) {
  // The bus in the top byte, then up to seven port numbers (USB allows
  // seven tiers below the root): no two positions share a node.
  uint64_t node = uint64_t(address.bus) << 56;
  for (size_t i = 0; i < address.ports.size() && i < 7; ++i)
    node |= uint64_t(address.ports[i]) << (48 - 8 * i);
  return node;
}

uint32_t deviceNodeOf(const UsbAddress& address, int interfaceNumber) {
  // FNV-1a over the position and the interface number.
  uint32_t hash = 2166136261u;
  auto mix = [&](uint8_t byte) { hash = (hash ^ byte) * 16777619u; };
  mix(address.bus);
  for (uint8_t port : address.ports) mix(port);
  mix(0xFF);
  mix(static_cast<uint8_t>(interfaceNumber));
  return hash;
}

std::optional<std::u16string> textOfStringDescriptor(const uint8_t* data, size_t length) {
  constexpr uint8_t kStringType = 3;
  if (length < 2 || data[1] != kStringType || data[0] < 2) return std::nullopt;
  size_t size = std::min<size_t>(data[0], length) & ~size_t(1);
  std::u16string text;
  for (size_t i = 2; i + 1 < size; i += 2)
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return text;
}

std::vector<uint8_t> reportOfTransfer(const uint8_t* data, size_t bytes, bool usesReportIds) {
  // Without report ids, a 0 id byte goes first, as the Windows form has it.
  const size_t offset = usesReportIds ? 0 : 1;
  std::vector<uint8_t> report(offset + bytes, 0);
  if (bytes > 0) std::copy_n(data, bytes, report.begin() + static_cast<std::ptrdiff_t>(offset));
  return report;
}

OutgoingReport transferOfReport(const uint8_t* report, size_t length, bool usesReportIds) {
  OutgoingReport outgoing;
  if (length == 0) return outgoing;
  outgoing.reportId = usesReportIds ? report[0] : 0;
  outgoing.payload.assign(report + (usesReportIds ? 0 : 1), report + length);
  return outgoing;
}

ControlSetup reportDescriptorRequest(int interfaceNumber) {
  // GET_DESCRIPTOR, standard, to the interface: the HID report descriptor.
  return {0x81, 0x06, 0x22 << 8, static_cast<uint16_t>(interfaceNumber)};
}

ControlSetup stringDescriptorRequest(uint8_t index, uint16_t languageId) {
  return {0x80, 0x06, static_cast<uint16_t>((3 << 8) | index), languageId};
}

ControlSetup setOutputReportRequest(int interfaceNumber, uint8_t reportId) {
  // SET_REPORT, class, to the interface; report type 2 (output).
  return {0x21, 0x09, static_cast<uint16_t>((2 << 8) | reportId),
          static_cast<uint16_t>(interfaceNumber)};
}

}  // namespace platform::usb
