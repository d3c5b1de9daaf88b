#include "controller/io_warrior.h"

namespace {

// UTF-16 to the narrow text the rest of the system uses (UTF-8).
std::string narrowText(const char16_t* text) {
  std::string narrow;
  for (; *text; ++text) {
    char32_t c = *text;
    if (c >= 0xD800 && c <= 0xDBFF && text[1] >= 0xDC00 && text[1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[1] - 0xDC00);
      ++text;
    }
    if (c < 0x80) {
      narrow += static_cast<char>(c);
    } else if (c < 0x800) {
      narrow += static_cast<char>(0xC0 | (c >> 6));
      narrow += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      narrow += static_cast<char>(0xE0 | (c >> 12));
      narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      narrow += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      narrow += static_cast<char>(0xF0 | (c >> 18));
      narrow += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      narrow += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      narrow += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return narrow;
}

}  // namespace

IOWarrior::~IOWarrior() {
  if (handle_ && !borrowed_) iowCloseDevices(handle_);
}

void IOWarrior::SetDeviceHandle(IowHandle handle, bool borrowed) {
  handle_ = handle;
  borrowed_ = borrowed;
  productId_ = 0;
  GetSerialNumber(true);
}

uint16_t IOWarrior::GetProductId() {
  if (productId_ == 0) productId_ = iowProductId(handle_);
  return static_cast<uint16_t>(productId_);
}

std::string IOWarrior::GetSerialNumber(bool refresh) {
  if (refresh || serial_[0] == 0) {
    serial_.fill(0);
    iowSerialNumber(handle_, serial_.data());
    serial_.back() = 0;
  }
  return narrowText(serial_.data());
}
