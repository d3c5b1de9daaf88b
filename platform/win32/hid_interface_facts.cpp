#include "win32/hid_interface_facts.h"

#include <cwctype>

#include "win32/wide_text.h"

namespace platform::win32 {
namespace {

int hexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

int interfaceNumberOfPath(std::wstring_view path) {
  std::wstring upper(path);
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  size_t tag = upper.find(L"MI_");
  if (tag == std::wstring::npos) return -1;
  int number = 0, digits = 0;
  for (size_t i = tag + 3; i < upper.size() && upper[i] != L'#' && upper[i] != L'&'; ++i) {
    int digit = hexDigit(upper[i]);
    if (digit < 0 || ++digits > 2) return -1;  // USB interface numbers are one byte
    number = number * 16 + digit;
  }
  return digits > 0 ? number : -1;
}

HidInterfaceInfo interfaceInfoOf(const HidInterfaceFacts& facts) {
  HidInterfaceInfo info;
  info.path = narrow(facts.path);
  info.vendorId = facts.attributes.VendorID;
  info.productId = facts.attributes.ProductID;
  info.versionNumber = facts.attributes.VersionNumber;
  if (facts.capabilities) {
    info.inputReportLength = facts.capabilities->InputReportByteLength;
    info.outputReportLength = facts.capabilities->OutputReportByteLength;
  }
  info.serialNumber = facts.serialNumber;
  info.indexedString0 = facts.indexedString0;
  info.groupingNode = facts.groupingNode;
  info.deviceNode = facts.deviceNode;
  info.interfaceNumber = interfaceNumberOfPath(facts.path);
  return info;
}

std::u16string hidStringOf(const wchar_t* buffer, size_t capacity) {
  size_t length = 0;
  while (length < capacity && buffer[length] != L'\0') ++length;
  return std::u16string(reinterpret_cast<const char16_t*>(buffer), length);
}

}  // namespace platform::win32
