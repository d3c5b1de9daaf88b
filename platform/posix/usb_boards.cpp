#include "posix/usb_boards.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <optional>

#include "platform/user_notice.h"
#include "posix/usb_errors.h"
#include "posix/usb_names.h"
#include "posix/usb_report_descriptor.h"

namespace platform::usb {
namespace {

using Clock = std::chrono::steady_clock;
using Status = HidDevice::Status;

// The longest descriptor a control request can return.
constexpr uint16_t kLongestDescriptor = 4096;
constexpr uint16_t kLongestString = 255;

// Waits on cv until done() holds, the deadline passes (nothing: without
// limit) or cancelled() holds; the lock is held throughout.
template <typename Done, typename Cancelled>
Status waitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
               const std::optional<Clock::time_point>& deadline, Done done, Cancelled cancelled) {
  for (;;) {
    if (done()) return Status::Ok;
    if (cancelled()) return Status::Cancelled;
    if (!deadline) {
      cv.wait(lock);
    } else if (cv.wait_until(lock, *deadline) == std::cv_status::timeout) {
      return done() ? Status::Ok : cancelled() ? Status::Cancelled : Status::Timeout;
    }
  }
}

std::optional<Clock::time_point> deadlineAfter(int timeoutMs) {
  if (timeoutMs < 0) return std::nullopt;
  return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// The input reports of one read handle.
struct InputQueue {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::vector<uint8_t>> reports;
  bool gone = false;
  int failures = 0;     // failed transfers not yet told to the reader
  bool streamIdle = false;  // no transfer left in flight
  bool waiting = false;
  bool cancelled = false;

  void update(const std::function<void(InputQueue&)>& change) {
    {
      std::lock_guard lock(mutex);
      change(*this);
    }
    changed.notify_all();
  }
};

}  // namespace

// One claimed interface: its facts, and the interrupt transfers that fill
// the queues of its read handles.
class InterfaceClaim {
 public:
  InterfaceClaim(std::shared_ptr<OpenBoard> board, UsbInterfaceFacts facts, ReportLengths lengths);
  ~InterfaceClaim();

  const UsbInterfaceFacts& facts() const { return facts_; }
  const ReportLengths& lengths() const { return lengths_; }
  UsbDevice& device();

  void subscribe(const std::shared_ptr<InputQueue>& queue);
  void unsubscribe(const std::shared_ptr<InputQueue>& queue);
  bool gone() {
    std::lock_guard lock(mutex_);
    return gone_;
  }
  void markGone();

 private:
  void startStream();  // with mutex_ held
  void completed(UsbTransfer* transfer, Outcome outcome, const uint8_t* data, size_t bytes);
  void forEachQueue(const std::function<void(InputQueue&)>& change);  // with mutex_ held

  const std::shared_ptr<OpenBoard> board_;
  const UsbInterfaceFacts facts_;
  const ReportLengths lengths_;
  std::mutex mutex_;
  std::condition_variable settled_;
  std::vector<std::weak_ptr<InputQueue>> queues_;
  std::vector<std::unique_ptr<UsbTransfer>> transfers_;
  int inFlight_ = 0;
  bool stopping_ = false;
  bool gone_ = false;
};

// One opened device and what was read from it once.
class OpenBoard : public std::enable_shared_from_this<OpenBoard> {
 public:
  OpenBoard(UsbDeviceFacts facts, std::unique_ptr<UsbDevice> device)
      : facts_(std::move(facts)), device_(std::move(device)) {}

  const UsbDeviceFacts& facts() const { return facts_; }
  UsbDevice& device() { return *device_; }

  // The claim of an interface of the device, made on first use. `busy` is
  // set when another program holds the interface.
  std::shared_ptr<InterfaceClaim> claim(int number, bool* busy = nullptr) {
    std::lock_guard lock(mutex_);
    if (auto claim = claims_[number].lock()) return claim;
    const UsbInterfaceFacts* facts = nullptr;
    for (const UsbInterfaceFacts& candidate : facts_.interfaces)
      if (candidate.number == number && candidate.isHid) facts = &candidate;
    if (!facts) return nullptr;
    const Outcome claimed = device_->claimInterface(number);
    if (busy) *busy = claimed == Outcome::Busy;
    if (claimed != Outcome::Ok) return nullptr;
    auto lengths = readReportLengths(number);
    if (!lengths) {
      device_->releaseInterface(number);
      return nullptr;
    }
    auto claim = std::make_shared<InterfaceClaim>(shared_from_this(), *facts, *lengths);
    claims_[number] = claim;
    return claim;
  }

  // Gives the interface back unless a new claim took it meanwhile.
  void release(int number) {
    std::lock_guard lock(mutex_);
    if (claims_[number].expired()) device_->releaseInterface(number);
  }

  // The serial number and indexed string 0, read once.
  std::pair<std::optional<std::u16string>, std::optional<std::u16string>> strings() {
    std::lock_guard lock(mutex_);
    if (!stringsRead_) {
      stringsRead_ = true;
      languages_ = readString(0, 0);
      if (facts_.serialIndex != 0) {
        uint16_t language = languages_ && !languages_->empty() ? (*languages_)[0] : 0x0409;
        serial_ = readString(facts_.serialIndex, language);
      }
    }
    return {serial_, languages_};
  }

 private:
  std::optional<ReportLengths> readReportLengths(int number) {
    std::vector<uint8_t> descriptor(kLongestDescriptor);
    size_t bytes = 0;
    if (device_->control(reportDescriptorRequest(number), descriptor.data(), kLongestDescriptor,
                         UsbBoards::kRequestTimeoutMs, bytes) != Outcome::Ok)
      return std::nullopt;
    return reportLengthsOf(descriptor.data(), bytes);
  }

  std::optional<std::u16string> readString(uint8_t index, uint16_t language) {
    uint8_t data[kLongestString] = {};
    size_t bytes = 0;
    if (device_->control(stringDescriptorRequest(index, language), data, kLongestString,
                         UsbBoards::kRequestTimeoutMs, bytes) != Outcome::Ok)
      return std::nullopt;
    return textOfStringDescriptor(data, bytes);
  }

  const UsbDeviceFacts facts_;
  const std::unique_ptr<UsbDevice> device_;
  std::mutex mutex_;
  std::map<int, std::weak_ptr<InterfaceClaim>> claims_;
  bool stringsRead_ = false;
  std::optional<std::u16string> serial_, languages_;
};

InterfaceClaim::InterfaceClaim(std::shared_ptr<OpenBoard> board, UsbInterfaceFacts facts,
                               ReportLengths lengths)
    : board_(std::move(board)), facts_(facts), lengths_(lengths) {}

InterfaceClaim::~InterfaceClaim() {
  // Every transfer in flight is cancelled, and its completion awaited: it
  // refers to this object until then.
  std::unique_lock lock(mutex_);
  stopping_ = true;
  lock.unlock();  // a completion may come at once, and takes the lock
  for (auto& transfer : transfers_) transfer->cancel();
  lock.lock();
  settled_.wait(lock, [&] { return inFlight_ == 0; });
  transfers_.clear();
  lock.unlock();
  board_->release(facts_.number);
}

UsbDevice& InterfaceClaim::device() { return board_->device(); }

void InterfaceClaim::markGone() {
  std::lock_guard lock(mutex_);
  gone_ = true;
  forEachQueue([](InputQueue& queue) { queue.gone = true; });
}

void InterfaceClaim::subscribe(const std::shared_ptr<InputQueue>& queue) {
  std::lock_guard lock(mutex_);
  queues_.push_back(queue);
  if (gone_) queue->update([](InputQueue& q) { q.gone = true; });
  if (transfers_.empty() && !gone_)
    startStream();
  else if (inFlight_ == 0)
    queue->update([](InputQueue& q) { q.streamIdle = true; });
}

void InterfaceClaim::unsubscribe(const std::shared_ptr<InputQueue>& queue) {
  std::lock_guard lock(mutex_);
  std::erase_if(queues_, [&](const auto& entry) {
    auto held = entry.lock();
    return !held || held == queue;
  });
}

void InterfaceClaim::forEachQueue(const std::function<void(InputQueue&)>& change) {
  for (const auto& entry : queues_)
    if (auto queue = entry.lock()) queue->update(change);
}

void InterfaceClaim::startStream() {
  if (facts_.inEndpoint == 0) return;  // an interface that sends nothing
  size_t reportBytes = lengths_.input - (lengths_.usesReportIds ? 0 : 1);
  size_t length = std::max<size_t>(facts_.inPacketSize, reportBytes);
  for (int i = 0; i < UsbBoards::kTransfersInFlight; ++i) {
    auto slot = std::make_shared<UsbTransfer*>(nullptr);
    auto transfer = board_->device().interruptTransfer(
        facts_.inEndpoint, length, {},
        [this, slot](Outcome outcome, const uint8_t* data, size_t bytes) {
          completed(*slot, outcome, data, bytes);
        });
    if (!transfer) continue;
    *slot = transfer.get();
    Outcome submitted = transfer->submit();
    if (submitted == Outcome::Ok) ++inFlight_;
    if (submitted == Outcome::Gone) gone_ = true;
    transfers_.push_back(std::move(transfer));
  }
  if (gone_) forEachQueue([](InputQueue& queue) { queue.gone = true; });
  if (inFlight_ == 0) forEachQueue([](InputQueue& queue) { queue.streamIdle = true; });
}

// On the library's event thread.
void InterfaceClaim::completed(UsbTransfer* transfer, Outcome outcome, const uint8_t* data,
                               size_t bytes) {
  std::lock_guard lock(mutex_);
  bool resubmit = false;
  if (outcome == Outcome::Ok && !stopping_) {
    auto report = reportOfTransfer(data, bytes, lengths_.usesReportIds);
    forEachQueue([&](InputQueue& queue) {
      queue.reports.push_back(report);
      if (queue.reports.size() > UsbBoards::kQueuedReports) queue.reports.pop_front();
    });
    resubmit = true;
  } else if (outcome == Outcome::Gone) {
    gone_ = true;
    forEachQueue([](InputQueue& queue) { queue.gone = true; });
  } else if (outcome == Outcome::Timeout && !stopping_) {
    resubmit = true;
  } else if (outcome != Outcome::Cancelled) {
    // An error or stall: this transfer stops, and the reader hears of it.
    forEachQueue([](InputQueue& queue) { ++queue.failures; });
  }
  if (resubmit && !stopping_) {
    Outcome submitted = transfer->submit();
    if (submitted == Outcome::Ok) return;
    if (submitted == Outcome::Gone) {
      gone_ = true;
      forEachQueue([](InputQueue& queue) { queue.gone = true; });
    }
  }
  if (--inFlight_ == 0) {
    forEachQueue([](InputQueue& queue) { queue.streamIdle = true; });
    settled_.notify_all();
  }
}

namespace {

class UsbHidDevice final : public HidDevice {
 public:
  UsbHidDevice(std::shared_ptr<InterfaceClaim> claim, Access access)
      : claim_(std::move(claim)), access_(access) {
    if (access_ == Access::Read) {
      queue_ = std::make_shared<InputQueue>();
      claim_->subscribe(queue_);
    }
  }
  ~UsbHidDevice() override {
    if (queue_) claim_->unsubscribe(queue_);
  }

  Result readReport(uint8_t* buffer, size_t length, int timeoutMs) override {
    if (access_ != Access::Read) return {Status::Failed, 0};
    std::unique_lock lock(queue_->mutex);
    auto deadline = deadlineAfter(timeoutMs);
    queue_->waiting = true;
    queue_->cancelled = false;
    Result result;
    for (;;) {
      Status waited = waitFor(
          queue_->changed, lock, deadline,
          [&] {
            return queue_->gone || !queue_->reports.empty() || queue_->failures > 0 ||
                   queue_->streamIdle;
          },
          [&] { return queue_->cancelled; });
      if (waited != Status::Ok) {
        result = {waited, 0};
        break;
      }
      // A device that is gone delivers nothing more, queued or not.
      if (queue_->gone) {
        result = {Status::Gone, 0};
        break;
      }
      if (!queue_->reports.empty()) {
        std::vector<uint8_t> report = std::move(queue_->reports.front());
        queue_->reports.pop_front();
        if (report.size() > length) continue;  // no report of this interface
        std::copy(report.begin(), report.end(), buffer);
        result = {Status::Ok, report.size()};
        break;
      }
      if (queue_->failures > 0) --queue_->failures;
      result = {Status::Failed, 0};
      break;
    }
    queue_->waiting = false;
    return result;
  }

  Result writeReport(const uint8_t* data, size_t length, int timeoutMs) override {
    if (access_ != Access::Write || length == 0) return {Status::Failed, 0};
    if (claim_->gone()) return {Status::Gone, 0};
    if (length != claim_->lengths().output) return {Status::Failed, 0};
    OutgoingReport outgoing = transferOfReport(data, length, claim_->lengths().usesReportIds);
    struct Pending {
      bool done = false;
      Outcome outcome = Outcome::Failed;
    };
    auto pending = std::make_shared<Pending>();
    // Notifies under the lock: the writer, and with it this object, may be
    // gone the moment the lock is free.
    auto completion = [this, pending](Outcome outcome, const uint8_t*, size_t) {
      std::lock_guard lock(writeMutex_);
      pending->done = true;
      pending->outcome = outcome;
      writeDone_.notify_all();
    };
    const UsbInterfaceFacts& facts = claim_->facts();
    std::unique_ptr<UsbTransfer> transfer =
        facts.outEndpoint != 0
            ? claim_->device().interruptTransfer(facts.outEndpoint, 0,
                                                 std::move(outgoing.payload), completion)
            : claim_->device().controlWrite(
                  setOutputReportRequest(facts.number, outgoing.reportId),
                  std::move(outgoing.payload), completion);
    if (!transfer) return {Status::Failed, 0};
    std::unique_lock lock(writeMutex_);
    writing_ = true;
    writeCancelled_ = false;
    Outcome submitted = transfer->submit();
    Status waited = submitted == Outcome::Ok
                        ? waitFor(writeDone_, lock, deadlineAfter(timeoutMs),
                                  [&] { return pending->done; }, [&] { return writeCancelled_; })
                        : hidStatusOf(submitted);
    if (submitted == Outcome::Ok && !pending->done) {
      // The report must not reach the board later: cancel, and wait for
      // the library to give the transfer back.
      lock.unlock();
      transfer->cancel();
      lock.lock();
      writeDone_.wait(lock, [&] { return pending->done; });
      if (pending->outcome == Outcome::Ok) waited = Status::Ok;  // it went out meanwhile
    }
    writing_ = false;
    lock.unlock();
    Outcome outcome = submitted != Outcome::Ok ? submitted
                      : waited == Status::Ok   ? pending->outcome
                                               : Outcome::Ok;
    if (outcome == Outcome::Gone) claim_->markGone();
    if (waited != Status::Ok) return {waited, 0};
    Status status = hidStatusOf(outcome);
    return {status, status == Status::Ok ? length : 0};
  }

  void cancelRead() override {
    if (access_ != Access::Read) return;
    queue_->update([](InputQueue& queue) {
      if (queue.waiting) queue.cancelled = true;
    });
  }

  void cancelWrite() override {
    if (access_ != Access::Write) return;
    {
      std::lock_guard lock(writeMutex_);
      if (writing_) writeCancelled_ = true;
    }
    writeDone_.notify_all();
  }

 private:
  const std::shared_ptr<InterfaceClaim> claim_;
  const Access access_;
  std::shared_ptr<InputQueue> queue_;
  std::mutex writeMutex_;
  std::condition_variable writeDone_;
  bool writing_ = false;
  bool writeCancelled_ = false;
};

std::string hex4(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

}  // namespace

namespace {

// "the board 1FD1:03E8 on USB bus 1 port 1.2"
std::string boardPlace(const UsbDeviceFacts& device) {
  std::string ports;
  for (uint8_t port : device.address.ports) ports += (ports.empty() ? "" : ".") + std::to_string(port);
  return "the board " + hex4(device.vendorId) + ":" + hex4(device.productId) + " on USB bus " +
         std::to_string(device.address.bus) + " port " + ports;
}

}  // namespace

std::string noAccessMessage(const UsbDeviceFacts& device) {
  return "Kestrix: " + boardPlace(device) +
         " cannot be opened: no permission. Install the udev rule 60-kestrix-boards.rules in "
         "/lib/udev/rules.d (the kestrix package does), then plug the board in again.";
}

std::string inUseMessage(const UsbDeviceFacts& device) {
  return "Kestrix: " + boardPlace(device) +
         " is in use by another program (on Linux one program at a time opens a board).";
}

UsbBoards::UsbBoards(UsbLibrary& library) : library_(library) {}
UsbBoards::~UsbBoards() = default;

UsbBoards* UsbBoards::process() {
  static UsbBoards* const boards = [] {
    UsbLibrary* library = UsbLibrary::process();
    return library ? new UsbBoards(*library) : nullptr;  // lives as long as the process
  }();
  return boards;
}

std::shared_ptr<OpenBoard> UsbBoards::acquire(const UsbAddress& address, Outcome& outcome) {
  std::lock_guard lock(mutex_);
  if (auto board = boards_[address].lock()) {
    outcome = Outcome::Ok;
    return board;
  }
  std::erase_if(boards_, [](const auto& entry) { return entry.second.expired(); });
  std::optional<UsbDeviceFacts> facts;
  for (UsbDeviceFacts& device : library_.devices())
    if (device.address == address) facts = std::move(device);
  if (!facts) {
    outcome = Outcome::Gone;
    return nullptr;
  }
  auto device = library_.open(address, outcome);
  if (!device) return nullptr;
  auto board = std::make_shared<OpenBoard>(std::move(*facts), std::move(device));
  boards_[address] = board;
  return board;
}

std::vector<HidInterfaceInfo> UsbBoards::enumerate() {
  std::vector<HidInterfaceInfo> interfaces;
  for (const UsbDeviceFacts& device : library_.devices()) {
    if (!isBoardProduct(device.vendorId, device.productId)) continue;
    Outcome outcome = Outcome::Failed;
    auto board = acquire(device.address, outcome);
    if (!board) {
      if (outcome == Outcome::NoAccess) debugOutput(noAccessMessage(device));
      continue;
    }
    auto [serial, languages] = board->strings();
    bool toldBusy = false;
    for (const UsbInterfaceFacts& facts : board->facts().interfaces) {
      if (!facts.isHid) continue;
      bool busy = false;
      auto claim = board->claim(facts.number, &busy);
      if (!claim) {
        // An interface that cannot be probed is not listed; one that another
        // program holds is said, once per board, since a person may wonder.
        if (busy && !toldBusy) debugOutput(inUseMessage(device));
        toldBusy = toldBusy || busy;
        continue;
      }
      HidInterfaceInfo info;
      info.path = interfacePathOf(device.vendorId, device.productId, facts.number, device.address);
      info.vendorId = device.vendorId;
      info.productId = device.productId;
      info.versionNumber = device.version;
      info.inputReportLength = claim->lengths().input;
      info.outputReportLength = claim->lengths().output;
      info.serialNumber = serial;
      info.indexedString0 = languages;
      info.groupingNode = groupingNodeOf(device.address);
      info.deviceNode = deviceNodeOf(device.address, facts.number);
      info.interfaceNumber = facts.number;
      interfaces.push_back(std::move(info));
    }
  }
  return interfaces;
}

std::unique_ptr<HidDevice> UsbBoards::open(const std::string& path, HidDevice::Access access) {
  auto parsed = parseInterfacePath(path);
  if (!parsed) return nullptr;
  Outcome outcome = Outcome::Failed;
  auto board = acquire(parsed->address, outcome);
  if (!board || board->facts().vendorId != parsed->vendorId ||
      board->facts().productId != parsed->productId)
    return nullptr;  // another device took the position
  auto claim = board->claim(parsed->interfaceNumber);
  if (!claim) return nullptr;
  return std::make_unique<UsbHidDevice>(std::move(claim), access);
}

}  // namespace platform::usb
