// libusb-1.0 behind usb_library.h: the only file that calls the library.
// One context per process, and one thread that handles its events; every
// synchronous call made elsewhere carries a time-out.
#include "posix/usb_library.h"

#include <libusb.h>

#include <cstring>
#include <thread>

#include "posix/usb_errors.h"

namespace platform::usb {
namespace {

constexpr int kMaxPorts = 7;  // USB allows seven tiers below the root hub
constexpr uint8_t kHidClass = 3;

std::optional<UsbDeviceFacts> factsOf(libusb_device* device) {
  libusb_device_descriptor descriptor{};
  if (libusb_get_device_descriptor(device, &descriptor) != 0) return std::nullopt;
  UsbDeviceFacts facts;
  facts.vendorId = descriptor.idVendor;
  facts.productId = descriptor.idProduct;
  facts.version = descriptor.bcdDevice;
  facts.serialIndex = descriptor.iSerialNumber;
  facts.address.bus = libusb_get_bus_number(device);
  uint8_t ports[kMaxPorts] = {};
  int depth = libusb_get_port_numbers(device, ports, kMaxPorts);
  if (depth > 0) facts.address.ports.assign(ports, ports + depth);
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0 &&
      libusb_get_config_descriptor(device, 0, &config) != 0)
    return facts;  // described without its interfaces
  for (int i = 0; i < config->bNumInterfaces; ++i) {
    if (config->interface[i].num_altsetting < 1) continue;
    const libusb_interface_descriptor& setting = config->interface[i].altsetting[0];
    UsbInterfaceFacts interface;
    interface.number = setting.bInterfaceNumber;
    interface.isHid = setting.bInterfaceClass == kHidClass;
    for (int e = 0; e < setting.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
      if ((endpoint.bmAttributes & 3) != LIBUSB_TRANSFER_TYPE_INTERRUPT) continue;
      if (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
        if (interface.inEndpoint) continue;
        interface.inEndpoint = endpoint.bEndpointAddress;
        interface.inPacketSize = endpoint.wMaxPacketSize;
      } else if (!interface.outEndpoint) {
        interface.outEndpoint = endpoint.bEndpointAddress;
      }
    }
    facts.interfaces.push_back(interface);
  }
  libusb_free_config_descriptor(config);
  return facts;
}

class LibraryTransfer final : public UsbTransfer {
 public:
  LibraryTransfer(std::vector<uint8_t> buffer, size_t dataOffset, Completion completion)
      : transfer_(libusb_alloc_transfer(0)),
        buffer_(std::move(buffer)),
        dataOffset_(dataOffset),
        completion_(std::make_shared<Completion>(std::move(completion))) {}
  ~LibraryTransfer() override {
    if (transfer_) libusb_free_transfer(transfer_);
  }

  libusb_transfer* get() { return transfer_; }
  uint8_t* buffer() { return buffer_.data(); }
  int length() const { return static_cast<int>(buffer_.size()); }

  Outcome submit() override { return outcomeOfError(libusb_submit_transfer(transfer_)); }
  void cancel() override { libusb_cancel_transfer(transfer_); }

  static void LIBUSB_CALL done(libusb_transfer* transfer) {
    auto* self = static_cast<LibraryTransfer*>(transfer->user_data);
    // The owner may destroy this object once the completion has run; the
    // completion itself stays alive until it returns.
    std::shared_ptr<Completion> completion = self->completion_;
    const uint8_t* data = transfer->buffer + self->dataOffset_;
    size_t bytes = transfer->actual_length > 0 ? static_cast<size_t>(transfer->actual_length) : 0;
    (*completion)(outcomeOfTransferStatus(transfer->status), data, bytes);
  }

 private:
  libusb_transfer* const transfer_;
  std::vector<uint8_t> buffer_;
  const size_t dataOffset_;
  const std::shared_ptr<Completion> completion_;
};

class LibraryDevice final : public UsbDevice {
 public:
  explicit LibraryDevice(libusb_device_handle* handle) : handle_(handle) {}
  ~LibraryDevice() override { libusb_close(handle_); }

  Outcome claimInterface(int number) override {
    return outcomeOfError(libusb_claim_interface(handle_, number));
  }
  void releaseInterface(int number) override { libusb_release_interface(handle_, number); }

  Outcome control(const ControlSetup& setup, uint8_t* data, uint16_t length, unsigned timeoutMs,
                  size_t& bytes) override {
    int result = libusb_control_transfer(handle_, setup.requestType, setup.request, setup.value,
                                         setup.index, data, length, timeoutMs);
    bytes = result > 0 ? static_cast<size_t>(result) : 0;
    return outcomeOfError(result);
  }

  std::unique_ptr<UsbTransfer> interruptTransfer(uint8_t endpoint, size_t inLength,
                                                 std::vector<uint8_t> payload,
                                                 UsbTransfer::Completion completion) override {
    bool in = endpoint & LIBUSB_ENDPOINT_IN;
    if (in) payload.assign(inLength, 0);
    auto transfer = std::make_unique<LibraryTransfer>(std::move(payload), 0, std::move(completion));
    if (!transfer->get()) return nullptr;
    // No time-out of the library's own: waits and cancels are the caller's.
    libusb_fill_interrupt_transfer(transfer->get(), handle_, endpoint, transfer->buffer(),
                                   transfer->length(), LibraryTransfer::done, transfer.get(), 0);
    return transfer;
  }

  std::unique_ptr<UsbTransfer> controlWrite(const ControlSetup& setup, std::vector<uint8_t> payload,
                                            UsbTransfer::Completion completion) override {
    std::vector<uint8_t> buffer(LIBUSB_CONTROL_SETUP_SIZE + payload.size());
    libusb_fill_control_setup(buffer.data(), setup.requestType, setup.request, setup.value,
                              setup.index, static_cast<uint16_t>(payload.size()));
    if (!payload.empty())
      std::memcpy(buffer.data() + LIBUSB_CONTROL_SETUP_SIZE, payload.data(), payload.size());
    auto transfer = std::make_unique<LibraryTransfer>(std::move(buffer), LIBUSB_CONTROL_SETUP_SIZE,
                                                      std::move(completion));
    if (!transfer->get()) return nullptr;
    libusb_fill_control_transfer(transfer->get(), handle_, transfer->buffer(),
                                 LibraryTransfer::done, transfer.get(), 0);
    return transfer;
  }

 private:
  libusb_device_handle* const handle_;
};

class LibraryHotplug final : public UsbHotplug {
 public:
  LibraryHotplug(libusb_context* context, UsbLibrary::HotplugCallback callback)
      : context_(context), callback_(std::move(callback)) {}
  ~LibraryHotplug() override {
    if (registered_) libusb_hotplug_deregister_callback(context_, handle_);
  }

  bool registerWith() {
    int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
    registered_ = libusb_hotplug_register_callback(
                      context_, static_cast<libusb_hotplug_event>(events),
                      static_cast<libusb_hotplug_flag>(0), LIBUSB_HOTPLUG_MATCH_ANY,
                      LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY, changed, this,
                      &handle_) == LIBUSB_SUCCESS;
    return registered_;
  }

 private:
  static int LIBUSB_CALL changed(libusb_context*, libusb_device* device,
                                 libusb_hotplug_event event, void* user) {
    auto* self = static_cast<LibraryHotplug*>(user);
    if (auto facts = factsOf(device))
      self->callback_(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, *facts);
    return 0;  // stay registered
  }

  libusb_context* const context_;
  const UsbLibrary::HotplugCallback callback_;
  libusb_hotplug_callback_handle handle_ = 0;
  bool registered_ = false;
};

class Library final : public UsbLibrary {
 public:
  explicit Library(libusb_context* context) : context_(context) {
    // Handles every transfer completion and hot-plug event of the process.
    // It sleeps in the library until one comes; the process ends it.
    std::thread([context] {
      for (;;) libusb_handle_events_completed(context, nullptr);
    }).detach();
  }

  std::vector<UsbDeviceFacts> devices() override {
    std::vector<UsbDeviceFacts> found;
    libusb_device** list = nullptr;
    ssize_t count = libusb_get_device_list(context_, &list);
    for (ssize_t i = 0; i < count; ++i)
      if (auto facts = factsOf(list[i])) found.push_back(std::move(*facts));
    if (list) libusb_free_device_list(list, 1);
    return found;
  }

  std::unique_ptr<UsbDevice> open(const UsbAddress& address, Outcome& outcome) override {
    outcome = Outcome::Gone;
    libusb_device** list = nullptr;
    ssize_t count = libusb_get_device_list(context_, &list);
    libusb_device_handle* handle = nullptr;
    for (ssize_t i = 0; i < count && !handle; ++i) {
      auto facts = factsOf(list[i]);
      if (!facts || !(facts->address == address)) continue;
      outcome = outcomeOfError(libusb_open(list[i], &handle));
    }
    if (list) libusb_free_device_list(list, 1);
    if (!handle) return nullptr;
    // Claiming an interface takes it from a kernel driver bound to it (the
    // HID driver, for the products it does not ignore) and gives it back
    // on release.
    libusb_set_auto_detach_kernel_driver(handle, 1);
    return std::make_unique<LibraryDevice>(handle);
  }

  std::unique_ptr<UsbHotplug> watch(HotplugCallback callback) override {
    if (!libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) return nullptr;
    auto hotplug = std::make_unique<LibraryHotplug>(context_, std::move(callback));
    if (!hotplug->registerWith()) return nullptr;
    return hotplug;
  }

 private:
  libusb_context* const context_;
};

}  // namespace

UsbLibrary* UsbLibrary::process() {
  static UsbLibrary* const library = []() -> UsbLibrary* {
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS) return nullptr;
    return new Library(context);  // lives as long as the process
  }();
  return library;
}

}  // namespace platform::usb
