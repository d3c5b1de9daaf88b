// Descriptor files of the lab's HID interfaces (see platform/hid_lab.h).
#include "platform/hid_lab.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "utf16.h"

namespace platform::hidlab {
namespace {

constexpr std::string_view kPathPrefix = "\\\\?\\HID#";

std::string hex(uint64_t value, int width) {
  char text[24];
  std::snprintf(text, sizeof text, "%0*llX", width, static_cast<unsigned long long>(value));
  return text;
}

template <typename Number>
bool parseNumber(std::string_view text, int base, Number& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// A value on one line: a line break cannot be told from the next key.
std::string oneLine(const std::string& text) {
  std::string out = text;
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

bool isFile(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0;
}

}  // namespace

std::string folderIn(const std::string& runtimeDir) { return runtimeDir + "/hid"; }

std::string interfacePath(uint16_t vendorId, uint16_t productId, int interfaceNumber,
                          const std::string& instance) {
  return std::string(kPathPrefix) + "VID_" + hex(vendorId, 4) + "&PID_" + hex(productId, 4) +
         "&MI_" + hex(static_cast<uint64_t>(interfaceNumber), 2) + "#" + instance + "#" +
         std::string(kHidInterfaceClass);
}

std::string descriptorFileName(const std::string& interfacePath) {
  std::string_view path = interfacePath;
  std::string suffix = "#" + std::string(kHidInterfaceClass);
  if (path.size() <= kPathPrefix.size() + suffix.size() || !path.starts_with(kPathPrefix) ||
      !path.ends_with(suffix))
    return {};
  std::string_view middle =
      path.substr(kPathPrefix.size(), path.size() - kPathPrefix.size() - suffix.size());
  if (middle.find('/') != std::string_view::npos || middle.starts_with(".")) return {};
  return std::string(middle) + std::string(kDescriptorSuffix);
}

std::optional<std::string> interfacePathOf(std::string_view fileName) {
  if (fileName.size() <= kDescriptorSuffix.size() || fileName.starts_with(".") ||
      !fileName.ends_with(kDescriptorSuffix))
    return std::nullopt;
  std::string_view middle = fileName.substr(0, fileName.size() - kDescriptorSuffix.size());
  return std::string(kPathPrefix) + std::string(middle) + "#" + std::string(kHidInterfaceClass);
}

std::string encodeDescriptor(const Descriptor& d) {
  std::ostringstream out;
  out << "path=" << oneLine(d.path) << "\n"
      << "vendor=" << hex(d.vendorId, 4) << "\n"
      << "product=" << hex(d.productId, 4) << "\n"
      << "version=" << hex(d.versionNumber, 4) << "\n"
      << "input-length=" << d.inputReportLength << "\n"
      << "output-length=" << d.outputReportLength << "\n";
  if (d.serialNumber) out << "serial=" << oneLine(*d.serialNumber) << "\n";
  if (d.indexedString0) out << "indexed-string-0=" << oneLine(*d.indexedString0) << "\n";
  out << "grouping-node=" << hex(d.groupingNode, 1) << "\n"
      << "device-node=" << hex(d.deviceNode, 1) << "\n"
      << "interface=" << d.interfaceNumber << "\n"
      << "socket=" << oneLine(d.socketName) << "\n";
  return out.str();
}

std::optional<Descriptor> decodeDescriptor(std::string_view text) {
  std::map<std::string, std::string, std::less<>> values;
  while (!text.empty()) {
    size_t end = text.find('\n');
    if (end == std::string_view::npos) return std::nullopt;  // cut short
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    values[std::string(line.substr(0, equals))] = std::string(line.substr(equals + 1));
  }
  auto required = [&](std::string_view key, std::string& out) {
    auto found = values.find(key);
    if (found == values.end() || found->second.empty()) return false;
    out = found->second;
    return true;
  };
  auto number = [&](std::string_view key, int base, auto& out) {
    auto found = values.find(key);
    return found != values.end() && parseNumber(found->second, base, out);
  };
  auto optionalText = [&](std::string_view key) -> std::optional<std::string> {
    auto found = values.find(key);
    if (found == values.end()) return std::nullopt;  // the device does not answer it
    return found->second;
  };
  Descriptor d;
  bool complete = required("path", d.path) && number("vendor", 16, d.vendorId) &&
                  number("product", 16, d.productId) && number("version", 16, d.versionNumber) &&
                  number("input-length", 10, d.inputReportLength) &&
                  number("output-length", 10, d.outputReportLength) &&
                  number("grouping-node", 16, d.groupingNode) &&
                  number("device-node", 16, d.deviceNode) &&
                  number("interface", 10, d.interfaceNumber) && required("socket", d.socketName);
  if (!complete) return std::nullopt;
  d.serialNumber = optionalText("serial");
  d.indexedString0 = optionalText("indexed-string-0");
  return d;
}

bool writeDescriptor(const std::string& folder, const Descriptor& descriptor) {
  static std::atomic<unsigned> counter{0};
  std::string name = descriptorFileName(descriptor.path);
  if (name.empty()) return false;
  std::string temporary = folder + "/.tmp-" + std::to_string(::getpid()) + "-" +
                          std::to_string(counter++);
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  std::string text = encodeDescriptor(descriptor);
  bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(temporary.c_str(), (folder + "/" + name).c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::vector<Descriptor> readDescriptors(const std::string& folder) {
  std::vector<Descriptor> found;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return found;
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (!interfacePathOf(name)) continue;
    std::ifstream file(folder + "/" + name, std::ios::binary);
    if (!file) continue;
    std::stringstream text;
    text << file.rdbuf();
    auto descriptor = decodeDescriptor(text.str());
    // A descriptor whose socket is gone was left by a lab that died.
    if (descriptor && isFile(folder + "/" + descriptor->socketName))
      found.push_back(std::move(*descriptor));
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(), [](const Descriptor& a, const Descriptor& b) {
    return std::tie(a.deviceNode, a.path) < std::tie(b.deviceNode, b.path);
  });
  return found;
}

HidInterfaceInfo toInterfaceInfo(const Descriptor& d) {
  HidInterfaceInfo info;
  info.path = d.path;
  info.vendorId = d.vendorId;
  info.productId = d.productId;
  info.versionNumber = d.versionNumber;
  info.inputReportLength = d.inputReportLength;
  info.outputReportLength = d.outputReportLength;
  if (d.serialNumber) info.serialNumber = utf8ToUtf16(*d.serialNumber);
  if (d.indexedString0) info.indexedString0 = utf8ToUtf16(*d.indexedString0);
  info.groupingNode = d.groupingNode;
  info.deviceNode = d.deviceNode;
  info.interfaceNumber = d.interfaceNumber;
  return info;
}

}  // namespace platform::hidlab
