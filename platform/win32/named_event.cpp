#include "platform/named_event.h"

#include <windows.h>

#include <atomic>
#include <thread>

#include "win32/object_names.h"

namespace platform {

struct NamedEvent::Impl {
  HANDLE event = nullptr;
  // Set by endWaits: every wait on this handle watches it beside the event.
  HANDLE ended = nullptr;
  bool manualReset = false;
  std::atomic<int> waiting{0};

  ~Impl() {
    if (event) CloseHandle(event);
    if (ended) CloseHandle(ended);
  }
};

namespace {

std::unique_ptr<NamedEvent> wrap(HANDLE event, bool manualReset) {
  auto impl = std::make_unique<NamedEvent::Impl>();
  impl->event = event;
  impl->manualReset = manualReset;
  impl->ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!impl->ended) return nullptr;
  return std::make_unique<NamedEvent>(std::move(impl));
}

}  // namespace

NamedEvent::NamedEvent(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedEvent::~NamedEvent() = default;

std::unique_ptr<NamedEvent> NamedEvent::createOrOpen(const std::string& name, bool manualReset,
                                                     bool initiallySignaled,
                                                     bool* alreadyExisted) {
  HANDLE event = CreateEventW(nullptr, manualReset ? TRUE : FALSE,
                              initiallySignaled ? TRUE : FALSE,
                              win32::kernelObjectName(name).c_str());
  if (!event) return nullptr;
  if (alreadyExisted) *alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  // An event that existed keeps the reset mode it was made with; only an
  // auto-reset one needs isSignaled to put back what its probe took.
  return wrap(event, manualReset);
}

std::unique_ptr<NamedEvent> NamedEvent::openExisting(const std::string& name) {
  HANDLE event = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE,
                            win32::kernelObjectName(name).c_str());
  if (!event) return nullptr;
  return wrap(event, false);
}

void NamedEvent::set() { SetEvent(impl_->event); }

void NamedEvent::reset() { ResetEvent(impl_->event); }

NamedEvent::WaitResult NamedEvent::wait(int timeoutMs) {
  struct Waiting {
    std::atomic<int>& count;
    explicit Waiting(std::atomic<int>& c) : count(c) { ++count; }
    ~Waiting() { --count; }
  } waiting(impl_->waiting);
  // The end comes first, so that an ended handle never takes a set() that
  // another waiter could have had.
  HANDLE both[2] = {impl_->ended, impl_->event};
  switch (WaitForMultipleObjects(2, both, FALSE,
                                 timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs))) {
    case WAIT_OBJECT_0:
      return WaitResult::Ended;
    case WAIT_OBJECT_0 + 1:
      return WaitResult::Signaled;
    case WAIT_TIMEOUT:
      return WaitResult::Timeout;
    default:
      return WaitResult::Failed;
  }
}

bool NamedEvent::isSignaled() const {
  if (WaitForSingleObject(impl_->event, 0) != WAIT_OBJECT_0) return false;
  // The system has no look without a take: an auto-reset event (or one
  // whose mode we do not know) that the probe reset is set again. A manual
  // one stays set by itself, so setting it again changes nothing.
  SetEvent(impl_->event);
  return true;
}

void NamedEvent::endWaits() {
  SetEvent(impl_->ended);
  while (impl_->waiting.load() > 0) std::this_thread::yield();
}

}  // namespace platform
