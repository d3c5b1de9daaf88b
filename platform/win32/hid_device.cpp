// An open HID interface: a handle for overlapped I/O on its device path.
#include "platform/hid.h"
#include "win32/hid_services.h"
#include "win32/overlapped_reports.h"
#include "win32/wide_text.h"

namespace platform {
namespace {

// Input reports the driver keeps for a reader that is busy elsewhere.
constexpr ULONG kInputBuffers = 128;

class WindowsHidDevice final : public HidDevice {
 public:
  WindowsHidDevice(HANDLE handle, Access access, size_t inputReportLength)
      : handle_(handle), access_(access), reports_(handle, inputReportLength) {}
  ~WindowsHidDevice() override { CloseHandle(handle_); }

  Result readReport(uint8_t* buffer, size_t length, int timeoutMs) override {
    if (access_ != Access::Read) return {Status::Failed, 0};
    return reports_.read(buffer, length, timeoutMs);
  }
  Result writeReport(const uint8_t* data, size_t length, int timeoutMs) override {
    if (access_ != Access::Write) return {Status::Failed, 0};
    return reports_.write(data, length, timeoutMs);
  }
  void cancelRead() override { reports_.cancelRead(); }
  void cancelWrite() override { reports_.cancelWrite(); }

  bool valid() const { return reports_.valid(); }

 private:
  const HANDLE handle_;
  const Access access_;
  win32::OverlappedReports reports_;
};

}  // namespace

std::unique_ptr<HidDevice> HidDevice::open(const std::string& path, Access access) {
  auto hid = win32::HidServices::load();
  if (!hid) return nullptr;
  HANDLE handle = CreateFileW(win32::wide(path).c_str(),
                              access == Access::Read ? GENERIC_READ : GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  size_t inputLength = 0;
  if (access == Access::Read) {
    // A driver that keeps fewer buffers still delivers; it may only drop
    // reports sooner while nobody reads.
    hid->setNumInputBuffers(handle, kInputBuffers);
    if (auto caps = hid->capabilities(handle)) inputLength = caps->InputReportByteLength;
  }
  auto device = std::make_unique<WindowsHidDevice>(handle, access, inputLength);
  if (!device->valid()) return nullptr;
  return device;
}

}  // namespace platform
