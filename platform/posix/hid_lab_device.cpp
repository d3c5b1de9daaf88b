// An open HID interface of the lab backend: one connection to the
// interface's socket per handle (see platform/hid_lab.h).
#include "platform/hid.h"
#include "platform/hid_lab.h"
#include "platform/runtime_dir.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <strings.h>

#include "file_content.h"
#include "posix/hid_backend.h"
#include "posix/hid_wait.h"

namespace platform {
namespace {

using posix::CancelSignal;
using posix::Deadline;
using posix::SocketWait;
using posix::WaitOutcome;

// The lab answers a hello at once; this only bounds a wait on a lab that hangs.
constexpr int kWelcomeTimeoutMs = 10000;

// A connected, welcomed handle socket; -1 when the interface does not answer.
int connectHandle(const std::string& socketPath, uint8_t hello) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  CancelSignal never;
  CancelSignal::Span span(never);
  uint8_t welcome = 0;
  bool welcomed =
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::send(fd, &hello, 1, MSG_NOSIGNAL) == 1 &&
      SocketWait::wait(fd, POLLIN, never, Deadline(kWelcomeTimeoutMs), true) ==
          WaitOutcome::Ready &&
      ::recv(fd, &welcome, 1, 0) == 1 && welcome == hidlab::kWelcome;
  if (welcomed) return fd;
  ::close(fd);
  return -1;
}

std::optional<std::string> socketOfInterface(const std::string& path) {
  std::string folder = hidlab::folderIn(runtimeDir());
  // The descriptor is named after the path; the whole folder is read only
  // for a path spelled in another letter case.
  const FileContent named = readFileContent(folder + "/" + hidlab::descriptorFileName(path));
  if (named.outcome == FileReadOutcome::Read)
    if (auto descriptor = hidlab::decodeDescriptor(named.bytes))
      if (descriptor->path == path) return folder + "/" + descriptor->socketName;
  for (const hidlab::Descriptor& descriptor : hidlab::readDescriptors(folder))
    if (::strcasecmp(descriptor.path.c_str(), path.c_str()) == 0)
      return folder + "/" + descriptor.socketName;
  return std::nullopt;
}

HidDevice::Status statusOf(WaitOutcome outcome) {
  switch (outcome) {
    case WaitOutcome::Timeout: return HidDevice::Status::Timeout;
    case WaitOutcome::Cancelled: return HidDevice::Status::Cancelled;
    case WaitOutcome::HungUp: return HidDevice::Status::Gone;
    default: return HidDevice::Status::Failed;
  }
}

class LabHidDevice final : public HidDevice {
 public:
  LabHidDevice(std::string socketPath, Access access, int fd)
      : socketPath_(std::move(socketPath)), access_(access), fd_(fd) {}
  ~LabHidDevice() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Result readReport(uint8_t* buffer, size_t length, int timeoutMs) override {
    if (access_ != Access::Read || !cancel_.valid()) return {Status::Failed, 0};
    if (gone_) return {Status::Gone, 0};
    CancelSignal::Span span(cancel_);
    Deadline deadline(timeoutMs);
    for (;;) {
      // A hang-up wins over reports still queued: a device that is gone
      // delivers nothing more.
      WaitOutcome outcome = SocketWait::wait(fd_, POLLIN, cancel_, deadline, false);
      if (outcome != WaitOutcome::Ready) return fail(outcome);
      // MSG_TRUNC gives the packet's whole length: one longer than the
      // buffer is no report of this interface, and is dropped, so that it
      // cannot stand in the way of those behind it.
      ssize_t size = ::recv(fd_, buffer, length, MSG_DONTWAIT | MSG_TRUNC);
      if (size > 0 && static_cast<size_t>(size) > length) continue;
      if (size > 0) return {Status::Ok, static_cast<size_t>(size)};
      if (size == 0) return fail(WaitOutcome::HungUp);
      if (errno != EAGAIN && errno != EINTR) return failedOrGone();
    }
  }

  Result writeReport(const uint8_t* data, size_t length, int timeoutMs) override {
    return writeReports(data, length, 1, timeoutMs);
  }

  // Sends every report first, then takes the board's answers in order: the
  // board answers each report it took, so the connection stays in step
  // even when one of them is refused.
  Result writeReports(const uint8_t* data, size_t length, size_t count,
                      int timeoutMs) override {
    if (access_ != Access::Write || !cancel_.valid() || length == 0) return {Status::Failed, 0};
    if (gone_) return {Status::Gone, 0};
    CancelSignal::Span span(cancel_);
    // A board that goes while the batch is sent has answered those it took.
    size_t sent = 0;
    std::optional<Result> sendFailure;
    for (; sent < count; ++sent) {
      Deadline deadline(timeoutMs);
      for (;;) {
        if (::send(fd_, data + sent * length, length, MSG_DONTWAIT | MSG_NOSIGNAL) ==
            static_cast<ssize_t>(length))
          break;
        if (errno != EAGAIN && errno != EINTR) {
          sendFailure = failedOrGone();
          break;
        }
        WaitOutcome outcome = SocketWait::wait(fd_, POLLOUT, cancel_, deadline, true);
        if (outcome != WaitOutcome::Ready) return abandonWrite(outcome);
      }
      if (sendFailure) break;
    }
    std::optional<Result> firstFailure;
    for (size_t i = 0; i < sent; ++i) {
      // An answer the lab sent just before it unplugged still counts.
      Deadline deadline(timeoutMs);
      WaitOutcome outcome = SocketWait::wait(fd_, POLLIN, cancel_, deadline, true);
      if (outcome != WaitOutcome::Ready)
        return withTaken(abandonWrite(outcome), firstFailure, i * length);
      uint8_t answer = 0;
      ssize_t size = ::recv(fd_, &answer, 1, MSG_DONTWAIT);
      // A lab that closed with reports of this batch unread resets the
      // connection, and the reset is told before the answers still queued.
      if (size < 0 && errno == ECONNRESET) size = ::recv(fd_, &answer, 1, MSG_DONTWAIT);
      if (size == 0) return withTaken(fail(WaitOutcome::HungUp), firstFailure, i * length);
      if (size != 1) return withTaken(failedOrGone(), firstFailure, i * length);
      if (answer != hidlab::kTaken && !firstFailure)
        firstFailure = Result{Status::Failed, i * length};
    }
    if (sendFailure) return withTaken(*sendFailure, firstFailure, sent * length);
    return firstFailure.value_or(Result{Status::Ok, count * length});
  }

  void cancelRead() override {
    if (access_ == Access::Read) cancel_.cancel();
  }
  void cancelWrite() override {
    if (access_ == Access::Write) cancel_.cancel();
  }

 private:
  // Whether the lab has closed the connection (the board is gone); the
  // error a send meets then depends on how far the closing got.
  bool hungUp() const {
    pollfd fd{fd_, 0, 0};
    return ::poll(&fd, 1, 0) == 1 && (fd.revents & (POLLHUP | POLLERR));
  }

  // A socket error: the connection reset (a lab that closed with our report
  // unread) means the device is gone.
  Result failedOrGone() { return fail(hungUp() ? WaitOutcome::HungUp : WaitOutcome::Failed); }

  // A batch that broke off: a refusal before the break counts first, else
  // the reports answered before it were taken.
  static Result withTaken(Result broken, const std::optional<Result>& firstFailure,
                          size_t takenBytes) {
    if (firstFailure) return *firstFailure;
    broken.bytes = takenBytes;
    return broken;
  }

  Result fail(WaitOutcome outcome) {
    if (outcome == WaitOutcome::HungUp) gone_ = true;
    return {statusOf(outcome), 0};
  }

  // A write that timed out or was cancelled must not reach the device later,
  // nor its answer be taken for that of the next write: the report is
  // dropped with the connection, and a new one is made.
  Result abandonWrite(WaitOutcome outcome) {
    if (outcome != WaitOutcome::Timeout && outcome != WaitOutcome::Cancelled) return fail(outcome);
    ::close(fd_);
    fd_ = connectHandle(socketPath_, hidlab::kHelloWrite);
    if (fd_ < 0) gone_ = true;
    return {statusOf(outcome), 0};
  }

  const std::string socketPath_;
  const Access access_;
  int fd_;
  std::atomic<bool> gone_{false};
  CancelSignal cancel_;
};

}  // namespace

namespace posix {

std::unique_ptr<HidDevice> openLabInterface(const std::string& path, HidDevice::Access access) {
  auto socketPath = socketOfInterface(path);
  if (!socketPath) return nullptr;
  uint8_t hello = access == HidDevice::Access::Read ? hidlab::kHelloRead : hidlab::kHelloWrite;
  int fd = connectHandle(*socketPath, hello);
  if (fd < 0) return nullptr;
  return std::make_unique<LabHidDevice>(std::move(*socketPath), access, fd);
}

}  // namespace posix
}  // namespace platform
