#include "platform/named_event.h"

#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <ctime>
#include <thread>

#include "posix/named_object_file.h"

namespace platform {
namespace {

// The event's state, shared by every process through a MAP_SHARED mapping of
// the object's file. Waiters sleep on `sequence` with a futex: a futex word
// keeps no record of its waiters in the shared memory, so a waiter whose
// process is killed mid-wait leaves nothing behind that could stall the
// others.
struct SharedEventState {
  uint32_t layout;       // kLayout once the state is laid out
  uint32_t manualReset;  // fixed when the event is created
  uint32_t signaled;
  uint32_t sequence;  // counts set() calls; waiters sleep on it
};

constexpr uint32_t kLayout = 0x4B584531;  // "KXE1"

// How often createOrOpen tries again when it joined a file whose creator
// died before laying it out.
constexpr int kJoinAttempts = 3;

std::atomic_ref<uint32_t> shared(uint32_t& word) { return std::atomic_ref<uint32_t>(word); }

bool layOut(int fd, bool manualReset, bool initiallySignaled) {
  SharedEventState fresh{kLayout, manualReset ? 1u : 0u, initiallySignaled ? 1u : 0u, 0};
  // Whatever a former holder left in the file is dropped.
  if (ftruncate(fd, 0) != 0) return false;
  return pwrite(fd, &fresh, sizeof fresh, 0) == static_cast<ssize_t>(sizeof fresh);
}

SharedEventState* mapState(int fd) {
  struct stat info {};
  // A shorter file would make the mapping fault on access.
  if (fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(sizeof(SharedEventState)))
    return nullptr;
  void* memory = mmap(nullptr, sizeof(SharedEventState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) return nullptr;
  auto* state = static_cast<SharedEventState*>(memory);
  if (shared(state->layout).load() != kLayout) {
    munmap(memory, sizeof(SharedEventState));
    return nullptr;
  }
  return state;
}

long futexWait(uint32_t* word, uint32_t expected, const timespec* relativeTimeout) {
  return syscall(SYS_futex, word, FUTEX_WAIT, expected, relativeTimeout, nullptr, 0);
}

void futexWakeAll(uint32_t* word) { syscall(SYS_futex, word, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0); }

}  // namespace

struct NamedEvent::Impl {
  int fd = -1;
  std::string path;  // the object's file, removed by its last holder
  SharedEventState* state = nullptr;
  std::atomic<bool> ended{false};
  std::atomic<int> waiting{0};  // waits of this process on this handle

  ~Impl() {
    if (state) munmap(state, sizeof(SharedEventState));
    posix::leaveNamedObject(fd, path);
  }
};

namespace {

std::unique_ptr<NamedEvent> join(const std::string& name, posix::JoinMode mode, bool manualReset,
                                 bool initiallySignaled, bool* alreadyExisted) {
  const std::string path = posix::namedObjectPath("event", name);
  for (int attempt = 0; attempt < kJoinAttempts; ++attempt) {
    auto joined = posix::joinNamedObject(
        path, mode, [&](int fd) { return layOut(fd, manualReset, initiallySignaled); });
    if (!joined) return nullptr;
    auto impl = std::make_unique<NamedEvent::Impl>();
    impl->fd = joined->fd;
    impl->path = path;
    impl->state = mapState(joined->fd);
    if (!impl->state) continue;  // a creator died half way; closing impl lets us try afresh
    if (alreadyExisted) *alreadyExisted = !joined->created;
    return std::make_unique<NamedEvent>(std::move(impl));
  }
  return nullptr;
}

}  // namespace

NamedEvent::NamedEvent(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedEvent::~NamedEvent() = default;

std::unique_ptr<NamedEvent> NamedEvent::createOrOpen(const std::string& name, bool manualReset,
                                                     bool initiallySignaled, bool* alreadyExisted) {
  return join(name, posix::JoinMode::CreateOrOpen, manualReset, initiallySignaled, alreadyExisted);
}

std::unique_ptr<NamedEvent> NamedEvent::openExisting(const std::string& name) {
  return join(name, posix::JoinMode::OpenExisting, false, false, nullptr);
}

void NamedEvent::set() {
  SharedEventState& state = *impl_->state;
  // signaled before sequence: a waiter that sees the new sequence also sees
  // the signal.
  shared(state.signaled).store(1);
  shared(state.sequence).fetch_add(1);
  // Every waiter looks; on an auto-reset event only the first to take the
  // signal returns, the others sleep again.
  futexWakeAll(&state.sequence);
}

void NamedEvent::reset() { shared(impl_->state->signaled).store(0); }

bool NamedEvent::isSignaled() const { return shared(impl_->state->signaled).load() != 0; }

void NamedEvent::endWaits() {
  impl_->ended = true;
  // A waiter may be just about to sleep when the wake comes, so wake until
  // every waiter has seen the flag. The spurious wakes of other holders'
  // waiters only make them look again.
  while (impl_->waiting.load() > 0) {
    futexWakeAll(&impl_->state->sequence);
    std::this_thread::yield();
  }
}

NamedEvent::WaitResult NamedEvent::wait(int timeoutMs) {
  struct Waiting {
    std::atomic<int>& count;
    explicit Waiting(std::atomic<int>& c) : count(c) { ++count; }
    ~Waiting() { --count; }
  } waiting(impl_->waiting);
  SharedEventState& state = *impl_->state;
  const bool manualReset = state.manualReset != 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  const uint32_t sequenceAtStart = shared(state.sequence).load();
  for (;;) {
    if (impl_->ended) return WaitResult::Ended;
    const uint32_t sequence = shared(state.sequence).load();
    if (manualReset) {
      // A set() since the wait began releases it even if a reset() followed,
      // as every thread waiting on a Windows event is released by SetEvent.
      if (shared(state.signaled).load() != 0 || sequence != sequenceAtStart)
        return WaitResult::Signaled;
    } else {
      uint32_t signaled = 1;
      if (shared(state.signaled).compare_exchange_strong(signaled, 0)) return WaitResult::Signaled;
    }

    timespec remaining{};
    const timespec* timeout = nullptr;
    if (timeoutMs >= 0) {
      auto left = deadline - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) return WaitResult::Timeout;
      auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
      remaining.tv_sec = seconds.count();
      remaining.tv_nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count();
      timeout = &remaining;
    }
    // Returns at once when a set() moved the sequence since we read it.
    if (futexWait(&state.sequence, sequence, timeout) != 0 && errno != EAGAIN &&
        errno != EINTR && errno != ETIMEDOUT)
      return WaitResult::Failed;
  }
}

}  // namespace platform
