// The rack: every board of one runtime folder, each served on a thread of
// its own that accepts its handles, takes its output reports and sends its
// answers, so boards work side by side as separate USB devices do. Every
// state sits under one lock; the API's callers change it directly, and only
// a board's thread closes its file descriptors, since it may be polling them.
#include "boards/plugged_board.h"
#include "lab/boards.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace lab {

using boards::HandleConnection;
using boards::InputReport;
using boards::PluggedBoard;
using Clock = std::chrono::steady_clock;

namespace {

// Each board keeps the newest this many reports of each direction.
constexpr size_t kKeptReports = 10000;
constexpr size_t kMaxReportSize = 4096;
// Packets one connection may hand in before the board's thread looks at
// its other handles again.
constexpr int kPacketsPerTurn = 64;

// An answer held back by a reply delay.
struct DelayedReport {
  Clock::time_point due;
  uint64_t boardNumber;
  InputReport report;
};

// What one entry of the poll set stands for.
struct PollTarget {
  enum Kind { Wake, Listener, Connection } kind;
  int interfaceNumber = 0;
  uint64_t connectionId = 0;
};

// The thread that serves one plugged board. It outlives the board: once
// the board is unplugged it closes what the board left and ends.
struct BoardServer {
  uint64_t boardNumber = 0;
  int wakeFd = -1;
  std::vector<int> retiredFds;
  bool ended = false;
  std::thread thread;
};

}  // namespace

struct BoardRack::Impl {
  std::string folder;
  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  uint64_t generation = 0;
  std::vector<std::unique_ptr<PluggedBoard>> boards;  // plug order
  std::vector<DelayedReport> delayed;
  std::vector<std::unique_ptr<BoardServer>> servers;
  uint64_t plugCount = 0;
  uint64_t connectionCount = 0;
  bool stopping = false;

  // ---- under the lock ----

  void noteChange() {
    ++generation;
    changed.notify_all();
  }

  BoardServer* serverOf(uint64_t boardNumber) {
    for (auto& server : servers)
      if (server->boardNumber == boardNumber) return server.get();
    return nullptr;
  }

  static void wake(const BoardServer& server) {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(server.wakeFd, &one, sizeof one);
  }

  void wake(const PluggedBoard& board) {
    if (BoardServer* server = serverOf(board.number)) wake(*server);
  }

  void startServer(uint64_t boardNumber) {
    auto server = std::make_unique<BoardServer>();
    server->boardNumber = boardNumber;
    server->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    server->thread = std::thread([this, s = server.get()] { serve(*s); });
    servers.push_back(std::move(server));
  }

  // Joins the threads of unplugged boards. An ended thread holds nothing
  // any more, so joining it under the lock cannot wait on the lock.
  void reapEndedServers() {
    std::erase_if(servers, [](const auto& server) {
      if (!server->ended) return false;
      server->thread.join();
      closeRetired(*server);  // a board unplugged after its thread ended
      ::close(server->wakeFd);
      return true;
    });
  }

  PluggedBoard* find(const std::string& serial) {
    for (auto& board : boards)
      if (board->setup.serial == serial) return board.get();
    return nullptr;
  }

  PluggedBoard* findNumber(uint64_t number) {
    for (auto& board : boards)
      if (board->number == number) return board.get();
    return nullptr;
  }

  void deliver(PluggedBoard& board, const InputReport& report) {
    board.inputReports.push_back({report.interfaceNumber, report.bytes, Clock::now()});
    if (board.inputReports.size() > kKeptReports) board.inputReports.pop_front();
    bool backlog = false;
    for (auto& connection : board.connections) {
      if (connection->role() != HandleConnection::Role::Reader ||
          connection->interfaceNumber() != report.interfaceNumber)
        continue;
      connection->send(report.bytes);
      backlog = backlog || connection->hasBacklog();
    }
    if (backlog) wake(board);  // its thread sends the rest when the sockets take it
  }

  void unplug(PluggedBoard& board) {
    uint64_t number = board.number;
    BoardServer* server = serverOf(number);  // every plugged board has one
    boards::unplugFromFolder(board, server->retiredFds);
    std::erase_if(delayed, [&](const DelayedReport& d) { return d.boardNumber == number; });
    std::erase_if(boards, [&](const auto& b) { return b->number == number; });
    wake(*server);
    noteChange();
  }

  void changeKey(PluggedBoard& board, int key, bool pressed) {
    // Key reports are 0x19 for keys 1-32, 0x1A for 33-64, and so on.
    const uint8_t covering = static_cast<uint8_t>(0x19 + (key - 1) / 32);
    for (const InputReport& report : board.firmware.setKey(key, pressed))
      if (!board.faults.partialKeyReports || report.bytes.front() == covering)
        deliver(board, report);
    noteChange();
  }

  void answer(PluggedBoard& board, std::vector<InputReport> answers) {
    if (answers.empty() || board.faults.dropReplies) return;
    if (board.faults.replyDelayMs <= 0) {
      for (const InputReport& report : answers) deliver(board, report);
      return;
    }
    auto due = Clock::now() + std::chrono::milliseconds(board.faults.replyDelayMs);
    for (InputReport& report : answers) delayed.push_back({due, board.number, std::move(report)});
    wake(board);
  }

  // ---- a board's thread ----

  void serve(BoardServer& server) {
    std::vector<pollfd> fds;
    std::vector<PollTarget> targets;
    for (;;) {
      int timeoutMs = -1;
      {
        std::lock_guard lock(mutex);
        closeRetired(server);
        PluggedBoard* board = findNumber(server.boardNumber);
        if (stopping || !board) {
          server.ended = true;
          return;
        }
        fds.clear();
        targets.clear();
        fds.push_back({server.wakeFd, POLLIN, 0});
        targets.push_back({PollTarget::Wake});
        addToPollSet(*board, fds, targets);
        timeoutMs = msUntilNextDelayed(server.boardNumber);
      }
      if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) {
        std::lock_guard lock(mutex);
        server.ended = true;
        return;
      }
      std::lock_guard lock(mutex);
      for (size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents) handle(server, targets[i], fds[i].revents);
      sendDelayed(server.boardNumber);
    }
  }

  static void closeRetired(BoardServer& server) {
    for (int fd : server.retiredFds) ::close(fd);
    server.retiredFds.clear();
  }

  void addToPollSet(PluggedBoard& board, std::vector<pollfd>& fds,
                    std::vector<PollTarget>& targets) {
    for (const auto& socket : board.interfaces) {
      fds.push_back({socket.listenFd, POLLIN, 0});
      targets.push_back({PollTarget::Listener, socket.descriptor.interfaceNumber, 0});
    }
    for (auto& connection : board.connections) {
      // A stalled board leaves output reports in the socket, untaken.
      bool stalled = connection->role() == HandleConnection::Role::Writer &&
                     board.faults.stallWrites;
      short events = static_cast<short>((stalled ? 0 : POLLIN) |
                                        (connection->hasBacklog() ? POLLOUT : 0));
      fds.push_back({connection->fd(), events, 0});
      targets.push_back({PollTarget::Connection, connection->interfaceNumber(), connection->id()});
    }
  }

  int msUntilNextDelayed(uint64_t boardNumber) const {
    std::optional<Clock::time_point> next;
    for (const DelayedReport& d : delayed)
      if (d.boardNumber == boardNumber && (!next || d.due < *next)) next = d.due;
    if (!next) return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
    return static_cast<int>(std::max<int64_t>(left, 0));
  }

  void sendDelayed(uint64_t boardNumber) {
    auto now = Clock::now();
    std::vector<DelayedReport> due;
    for (auto it = delayed.begin(); it != delayed.end();) {
      if (it->boardNumber == boardNumber && it->due <= now) {
        due.push_back(std::move(*it));
        it = delayed.erase(it);
      } else {
        ++it;
      }
    }
    // Answers leave in the order they were made.
    std::stable_sort(due.begin(), due.end(), [](const auto& a, const auto& b) {
      return a.due < b.due;
    });
    for (const DelayedReport& d : due)
      if (PluggedBoard* board = findNumber(d.boardNumber)) deliver(*board, d.report);
  }

  void handle(BoardServer& server, const PollTarget& target, short revents) {
    if (target.kind == PollTarget::Wake) {
      uint64_t count = 0;
      [[maybe_unused]] ssize_t n = ::read(server.wakeFd, &count, sizeof count);
      return;
    }
    PluggedBoard* board = findNumber(server.boardNumber);
    if (!board) return;  // unplugged meanwhile
    if (target.kind == PollTarget::Listener) return accept(*board, target.interfaceNumber);
    HandleConnection* connection = board->connection(target.connectionId);
    if (!connection) return;
    if ((revents & POLLOUT) && !connection->flush()) return close(*board, *connection);
    // A stall set while the thread polled holds from now on.
    bool stalled =
        connection->role() == HandleConnection::Role::Writer && board->faults.stallWrites;
    if ((revents & POLLIN) && !stalled) {
      // Reports a writer sent one after another are taken in one turn.
      const uint64_t id = connection->id();
      for (int n = 0; n < kPacketsPerTurn && receive(*board, *connection); ++n) {
        board = findNumber(server.boardNumber);  // a report may unplug it
        if (!board || !(connection = board->connection(id))) return;
      }
      return;
    }
    if (revents & (POLLHUP | POLLERR)) close(*board, *connection);
  }

  void accept(PluggedBoard& board, int interfaceNumber) {
    const auto* socket = board.interface(interfaceNumber);
    for (;;) {
      int fd = ::accept4(socket->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      board.connections.push_back(
          std::make_unique<HandleConnection>(++connectionCount, fd, interfaceNumber));
    }
  }

  void close(PluggedBoard& board, HandleConnection& connection) {
    ::close(connection.fd());
    uint64_t id = connection.id();
    std::erase_if(board.connections, [&](const auto& c) { return c->id() == id; });
    noteChange();
  }

  // Handles one packet of the connection; false when none waited or the
  // connection ended.
  bool receive(PluggedBoard& board, HandleConnection& connection) {
    uint8_t buffer[kMaxReportSize];
    ssize_t size = ::recv(connection.fd(), buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
    if (size < 0 && (errno == EAGAIN || errno == EINTR)) return false;
    if (size <= 0) {
      close(board, connection);
      return false;
    }
    std::vector<uint8_t> packet(buffer, buffer + std::min<size_t>(size, sizeof buffer));
    switch (connection.role()) {
      case HandleConnection::Role::Undecided:
        welcome(board, connection, packet);
        break;
      case HandleConnection::Role::Writer:
        take(board, connection, std::move(packet), static_cast<size_t>(size));
        break;
      case HandleConnection::Role::Reader:
        break;  // a reader has nothing to say
    }
    return true;
  }

  void welcome(PluggedBoard& board, HandleConnection& connection,
               const std::vector<uint8_t>& hello) {
    namespace hidlab = platform::hidlab;
    if (hello.size() != 1 || (hello[0] != hidlab::kHelloRead && hello[0] != hidlab::kHelloWrite))
      return close(board, connection);
    connection.setRole(hello[0] == hidlab::kHelloRead ? HandleConnection::Role::Reader
                                                      : HandleConnection::Role::Writer);
    connection.send({hidlab::kWelcome});
    noteChange();
  }

  void take(PluggedBoard& board, HandleConnection& connection, std::vector<uint8_t> report,
            size_t size) {
    namespace hidlab = platform::hidlab;
    int interfaceNumber = connection.interfaceNumber();
    // The system refuses a report of the wrong length before the device sees it.
    if (size != board.outputLength(interfaceNumber)) {
      connection.send({hidlab::kRefused});
      return;
    }
    board.outputReports.push_back({interfaceNumber, report, Clock::now()});
    if (board.outputReports.size() > kKeptReports) board.outputReports.pop_front();
    if (board.unplugAfterNextReport) {
      connection.send({hidlab::kTaken});
      return unplug(board);
    }
    // The board's state has changed once the writer hears the report was
    // taken; its answers follow.
    auto answers = board.firmware.take(interfaceNumber, report, board.faults.iicError);
    connection.send({hidlab::kTaken});
    noteChange();
    answer(board, std::move(answers));
  }
};

BoardRack::BoardRack(std::string runtimeDir) : impl_(std::make_unique<Impl>()) {
  impl_->folder = platform::hidlab::folderIn(runtimeDir);
  std::error_code ec;
  std::filesystem::create_directories(impl_->folder, ec);
  std::filesystem::permissions(impl_->folder, std::filesystem::perms::owner_all, ec);
  boards::removeStaleDescriptors(impl_->folder);
}

BoardRack::~BoardRack() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
    for (const auto& server : impl_->servers) Impl::wake(*server);
  }
  for (const auto& server : impl_->servers) server->thread.join();
  std::lock_guard lock(impl_->mutex);
  while (!impl_->boards.empty()) impl_->unplug(*impl_->boards.front());
  for (const auto& server : impl_->servers) {
    Impl::closeRetired(*server);
    ::close(server->wakeFd);
  }
  impl_->servers.clear();
  // The folder is the sign that the lab's boards are the ones to use; with
  // the rack gone, programs of this runtime folder turn to real boards again.
  // (A folder still holding something, such as another rack's, stays.)
  std::error_code ec;
  std::filesystem::remove(impl_->folder, ec);
}

bool BoardRack::plug(const BoardSetup& setup) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->find(setup.serial) || setup.matchingInterfaces < 1 || setup.matchingInterfaces > 3)
    return false;
  auto board = boards::plugIntoFolder(impl_->folder, setup, impl_->plugCount + 1);
  if (!board) return false;
  ++impl_->plugCount;
  impl_->reapEndedServers();
  impl_->startServer(board->number);
  impl_->boards.push_back(std::move(board));
  impl_->noteChange();
  return true;
}

bool BoardRack::completePlug(const std::string& serial) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board || !boards::listHeldBackInterfaces(impl_->folder, *board)) return false;
  impl_->noteChange();
  return true;
}

bool BoardRack::unplug(const std::string& serial) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return false;
  impl_->unplug(*board);
  return true;
}

bool BoardRack::press(const std::string& serial, int key) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board || key < 1 || key > kKeyCount) return false;
  impl_->changeKey(*board, key, true);
  return true;
}

bool BoardRack::release(const std::string& serial, int key) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board || key < 1 || key > kKeyCount) return false;
  impl_->changeKey(*board, key, false);
  return true;
}

std::optional<BoardView> BoardRack::view(const std::string& serial) const {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return std::nullopt;
  BoardView view;
  view.serial = serial;
  board->firmware.fillView(view);
  size_t interfaces = static_cast<size_t>(board->setup.matchingInterfaces);
  view.readHandles.assign(interfaces, 0);
  view.writeHandles.assign(interfaces, 0);
  for (const auto& connection : board->connections) {
    auto n = static_cast<size_t>(connection->interfaceNumber());
    if (connection->role() == HandleConnection::Role::Reader) ++view.readHandles[n];
    if (connection->role() == HandleConnection::Role::Writer) ++view.writeHandles[n];
  }
  return view;
}

std::vector<BoardSetup> BoardRack::boards() const {
  std::lock_guard lock(impl_->mutex);
  std::vector<BoardSetup> setups;
  for (const auto& board : impl_->boards) setups.push_back(board->setup);
  return setups;
}

std::vector<OutputReport> BoardRack::outputReports(const std::string& serial) const {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return {};
  return {board->outputReports.begin(), board->outputReports.end()};
}

void BoardRack::clearOutputReports(const std::string& serial) {
  std::lock_guard lock(impl_->mutex);
  if (PluggedBoard* board = impl_->find(serial)) board->outputReports.clear();
}

std::vector<InputReportRecord> BoardRack::inputReports(const std::string& serial) const {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return {};
  return {board->inputReports.begin(), board->inputReports.end()};
}

void BoardRack::clearInputReports(const std::string& serial) {
  std::lock_guard lock(impl_->mutex);
  if (PluggedBoard* board = impl_->find(serial)) board->inputReports.clear();
}

bool BoardRack::sendInputReport(const std::string& serial, int interfaceNumber,
                                std::vector<uint8_t> bytes) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  // An empty packet would read as the end of the connection.
  if (!board || !board->interface(interfaceNumber) || bytes.empty()) return false;
  impl_->deliver(*board, {interfaceNumber, std::move(bytes)});
  return true;
}

bool BoardRack::setMemory(const std::string& serial, uint8_t address, uint8_t value) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return false;
  board->firmware.setMemory(address, value);
  impl_->noteChange();
  return true;
}

bool BoardRack::setFaults(const std::string& serial, const BoardFaults& faults) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return false;
  board->faults = faults;
  impl_->wake(*board);  // a stall that ends lets the waiting reports in
  impl_->noteChange();
  return true;
}

std::optional<BoardFaults> BoardRack::faults(const std::string& serial) const {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return std::nullopt;
  return board->faults;
}

bool BoardRack::unplugMidTransfer(const std::string& serial) {
  std::lock_guard lock(impl_->mutex);
  PluggedBoard* board = impl_->find(serial);
  if (!board) return false;
  board->unplugAfterNextReport = true;
  return true;
}

bool BoardRack::waitUntil(const std::function<bool()>& pred,
                          std::chrono::milliseconds timeout) const {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    uint64_t seen;
    {
      std::lock_guard lock(impl_->mutex);
      seen = impl_->generation;
    }
    if (pred()) return true;
    std::unique_lock lock(impl_->mutex);
    if (Clock::now() >= deadline) return false;
    auto wakeAt = std::min(deadline, Clock::now() + std::chrono::milliseconds(50));
    impl_->changed.wait_until(lock, wakeAt, [&] { return impl_->generation != seen; });
  }
}

std::string BoardRack::hidFolder() const { return impl_->folder; }

}  // namespace lab
