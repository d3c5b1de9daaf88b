// The public face of the simulator: one mutex over the socket side and the
// SimConnect logic, a server thread running the poll() loop, and a change
// counter that waitUntil() watches.
#include "lab/simulator.h"

#include "sim_world.h"
#include "socket_server.h"

#include <platform/runtime_dir.h>
#include <simconnect/local_pipe.h>

#include <poll.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lab {

struct Simulator::Impl {
  explicit Impl(Options o) : options(std::move(o)), world(server, options.flightRunning) {
    server.setHandler(&world);
  }

  // Every change of state goes through here (under the mutex), so that
  // waiters re-check and the server thread sees new work.
  void changed() {
    ++generation;
    changedSignal.notify_all();
    server.wake();
  }

  void run();

  Options options;
  mutable std::mutex mutex;
  mutable std::condition_variable changedSignal;
  uint64_t generation = 0;
  sim::SocketServer server;
  sim::SimWorld world;
  std::thread thread;
  bool running = false;
  bool stopping = false;
  std::string socketPath;
  std::string lastError;
};

void Simulator::Impl::run() {
  std::vector<pollfd> fds;
  for (;;) {
    int timeoutMs = -1;
    {
      std::lock_guard lock(mutex);
      if (stopping) return;
      server.preparePoll(fds, timeoutMs);
      if (auto due = world.nextWorkDue()) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(
            *due - std::chrono::steady_clock::now());
        int ms = static_cast<int>(std::max<int64_t>(0, left.count()));
        timeoutMs = timeoutMs < 0 ? ms : std::min(timeoutMs, ms);
      }
    }
    if (::poll(fds.data(), fds.size(), timeoutMs) < 0)
      for (pollfd& fd : fds) fd.revents = 0;  // interrupted: look again
    std::lock_guard lock(mutex);
    server.handlePoll(fds);
    world.runDueWork(std::chrono::steady_clock::now());
    ++generation;
    changedSignal.notify_all();
  }
}

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Simulator::~Simulator() { stop(); }

bool Simulator::start() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->running) return true;
  impl_->socketPath = impl_->options.socketPath.empty()
                          ? platform::runtimeDir() + "/" +
                                simconnect::pipeSocketFileName(simconnect::kDefaultPipeName)
                          : impl_->options.socketPath;
  std::optional<uint16_t> tcpPort;
  if (impl_->options.tcpOnAnyFreePort)
    tcpPort = 0;
  else if (impl_->options.tcpPort != 0)
    tcpPort = impl_->options.tcpPort;
  if (!impl_->server.listen(impl_->socketPath, tcpPort, impl_->lastError)) return false;
  impl_->running = true;
  impl_->stopping = false;
  impl_->thread = std::thread([impl = impl_.get()] { impl->run(); });
  return true;
}

void Simulator::stop() {
  {
    std::lock_guard lock(impl_->mutex);
    if (!impl_->running) return;
    impl_->stopping = true;
    impl_->server.wake();
  }
  impl_->thread.join();
  std::lock_guard lock(impl_->mutex);
  impl_->server.shutDown();
  impl_->world.endAllSessions();
  impl_->running = false;
  impl_->changed();
}

std::string Simulator::socketPath() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->socketPath;
}

uint16_t Simulator::tcpPort() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->server.tcpPort();
}

std::string Simulator::lastError() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->lastError;
}

void Simulator::startFlight() {
  std::lock_guard lock(impl_->mutex);
  impl_->world.startFlight();
  impl_->changed();
}

void Simulator::stopFlight() {
  std::lock_guard lock(impl_->mutex);
  impl_->world.stopFlight();
  impl_->changed();
}

bool Simulator::flightRunning() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.flightRunning();
}

void Simulator::quit() {
  std::lock_guard lock(impl_->mutex);
  impl_->world.quitAll();
  impl_->changed();
}

void Simulator::breakConnections() {
  std::lock_guard lock(impl_->mutex);
  impl_->server.breakAll();
  impl_->world.endAllSessions();
  impl_->changed();
}

void Simulator::setRefusing(bool refusing) {
  std::lock_guard lock(impl_->mutex);
  impl_->server.setRefusing(refusing);
  impl_->changed();
}

bool Simulator::refusing() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->server.refusing();
}

bool Simulator::choose(const std::string& clientName, const std::string& item) {
  std::lock_guard lock(impl_->mutex);
  bool chosen = impl_->world.choose(clientName, item);
  impl_->changed();
  return chosen;
}

std::vector<ClientInfo> Simulator::clients() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.clients();
}

std::vector<MenuItemInfo> Simulator::menus() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.menus();
}

std::vector<TextRecord> Simulator::texts() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.texts();
}

std::vector<EventRecord> Simulator::events() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.events();
}

std::vector<DataMessageRecord> Simulator::dataMessages() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.dataMessages();
}

std::vector<ExceptionRecord> Simulator::exceptions() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.exceptions();
}

std::vector<RequestRecord> Simulator::requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.requests();
}

std::optional<TextRecord> Simulator::openMenuText(const std::string& client) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.openMenuText(client);
}

std::vector<SubscriptionInfo> Simulator::subscriptions() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.subscriptions();
}

std::vector<EventMappingInfo> Simulator::eventMappings() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.eventMappings();
}

SetVariableResult Simulator::setVariable(const std::string& name, double value) {
  std::lock_guard lock(impl_->mutex);
  SetVariableResult result = impl_->world.setVariable(name, value);
  impl_->changed();
  return result;
}

std::optional<double> Simulator::variable(const std::string& name) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.variable(name);
}

AircraftRadios Simulator::radios() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.radios();
}

void Simulator::setRadios(const AircraftRadios& radios) {
  std::lock_guard lock(impl_->mutex);
  impl_->world.setRadios(radios);
  impl_->changed();
}

void Simulator::setRadioTuning(RadioTuning tuning) {
  std::lock_guard lock(impl_->mutex);
  impl_->world.setRadioTuning(tuning);
  impl_->changed();
}

RadioTuning Simulator::radioTuning() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->world.radioTuning();
}

bool Simulator::sendRaw(const std::string& client, std::vector<uint8_t> bytes) {
  std::lock_guard lock(impl_->mutex);
  bool sent = impl_->world.sendRaw(client, std::move(bytes));
  impl_->changed();
  return sent;
}

bool Simulator::closeMidPacket(const std::string& client) {
  std::lock_guard lock(impl_->mutex);
  bool done = impl_->world.closeMidPacket(client);
  impl_->changed();
  return done;
}

bool Simulator::disconnect(const std::string& client) {
  std::lock_guard lock(impl_->mutex);
  bool done = impl_->world.disconnect(client);
  impl_->changed();
  return done;
}

bool Simulator::waitUntil(const std::function<bool()>& pred,
                          std::chrono::milliseconds timeout) const {
  constexpr std::chrono::milliseconds kRecheck{50};
  auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    uint64_t seen;
    {
      std::lock_guard lock(impl_->mutex);
      seen = impl_->generation;
    }
    // pred takes the mutex itself through the methods it calls.
    if (pred()) return true;
    auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    std::unique_lock lock(impl_->mutex);
    impl_->changedSignal.wait_until(lock, std::min(deadline, now + kRecheck),
                                    [&] { return impl_->generation != seen; });
  }
}

}  // namespace lab
