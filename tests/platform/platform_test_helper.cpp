// A second process for the platform tests. It reads one command per line on
// stdin and answers each with one line on stdout, so a test can hold named
// objects in another process, make that process wait, and kill it.
//
//   mutex-create NAME OWNED     -> "created existed=E owned=O" | "failed"
//   mutex-open NAME             -> "opened" | "missing"
//   mutex-wait NAME MS          -> "acquired" | "timeout" | "failed"
//   mutex-release NAME          -> "released"
//   event-create NAME MANUAL SIGNALED -> "created existed=E" | "failed"
//   event-set NAME | event-reset NAME -> "done"
//   event-wait NAME MS          -> "signaled" | "timeout" | "failed"
//   close NAME                  -> "closed"   (drops the handles of that name)
//   watch-stop                  -> "watching"; then "stop N requested=R" per signal
//   stop-requested              -> "requested=R"
//   pid                         -> the process id
//   program-path                -> ownProgramPath()
//   file-version                -> FileVersion of the program's own version block, or "none"
//   message-register NAME       -> the id registerWindowMessage gives
//   memory-create NAME SIZE TEXT -> "created existed=E size=S" (TEXT at offset 0 when new)
//   memory-read NAME OFFSET LENGTH -> the bytes as text, or "failed"
//   memory-write NAME OFFSET TEXT -> "written" | "failed"
//   window-own CLASS TITLE      -> "owned" | "failed": a window that answers the
//                                  registered message "KestrixContractPing" with
//                                  lParam * 2 and prints "ping atom=TEXT" for it,
//                                  and holds "KestrixContractHang" until the
//                                  named event "hang-release" is set
//   exit                        -> ends the process (so does the end of stdin)
//
// Started with arguments, it runs each argument as one command line, in
// order, and ends after the last: a test that cannot write to its input
// (platform::ChildProcess) scripts it this way and waits on named events.

#include <platform/named_event.h>
#include <platform/named_mutex.h>
#include <platform/named_shared_memory.h>
#include <platform/stop_signal.h>
#include <platform/system_facts.h>
#include <platform/version_info.h>
#include <platform/window_messages.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>

namespace {

std::mutex outputTurn;

// One write per answer: the stop watcher answers from its own thread.
void answer(const std::string& line) {
  std::lock_guard<std::mutex> turn(outputTurn);
  std::string text = line + "\n";
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    std::_Exit(3);
}

std::map<std::string, std::unique_ptr<platform::NamedMutex>> mutexes;
std::map<std::string, std::unique_ptr<platform::NamedEvent>> events;
std::map<std::string, std::unique_ptr<platform::NamedSharedMemory>> memories;
std::unique_ptr<platform::OwnedWindow> window;
int stopsSeen = 0;

std::string ownFileVersion() {
  auto block = platform::readVersionResource(platform::ownProgramPath());
  if (!block) return "none";
  auto value = platform::queryVersionValue(*block, "\\StringFileInfo\\040904b0\\FileVersion");
  return value ? std::string(value->begin(), value->end()) : "none";
}

std::string mutexWait(const std::string& name, int ms) {
  auto found = mutexes.find(name);
  if (found == mutexes.end()) return "failed";
  switch (found->second->wait(ms)) {
    case platform::NamedMutex::WaitResult::Acquired: return "acquired";
    case platform::NamedMutex::WaitResult::Timeout: return "timeout";
    default: return "failed";
  }
}

std::string eventWait(const std::string& name, int ms) {
  auto found = events.find(name);
  if (found == events.end()) return "failed";
  switch (found->second->wait(ms)) {
    case platform::NamedEvent::WaitResult::Signaled: return "signaled";
    case platform::NamedEvent::WaitResult::Timeout: return "timeout";
    default: return "failed";
  }
}

std::string run(std::istringstream& words) {
  std::string command, name;
  words >> command >> name;
  if (command == "mutex-create") {
    int owned = 0;
    words >> owned;
    bool existed = false;
    auto mutex = platform::NamedMutex::create(name, owned != 0, &existed);
    if (!mutex) return "failed";
    std::string reply = "created existed=" + std::to_string(existed) +
                        " owned=" + std::to_string(mutex->owned());
    mutexes[name] = std::move(mutex);
    return reply;
  }
  if (command == "mutex-open") {
    auto mutex = platform::NamedMutex::openExisting(name);
    if (!mutex) return "missing";
    mutexes[name] = std::move(mutex);
    return "opened";
  }
  if (command == "mutex-wait") {
    int ms = 0;
    words >> ms;
    return mutexWait(name, ms);
  }
  if (command == "mutex-release") {
    if (auto found = mutexes.find(name); found != mutexes.end()) found->second->release();
    return "released";
  }
  if (command == "event-create") {
    int manual = 0, signaled = 0;
    words >> manual >> signaled;
    bool existed = false;
    auto event = platform::NamedEvent::createOrOpen(name, manual != 0, signaled != 0, &existed);
    if (!event) return "failed";
    events[name] = std::move(event);
    return "created existed=" + std::to_string(existed);
  }
  if (command == "event-set" || command == "event-reset") {
    auto found = events.find(name);
    if (found == events.end()) return "failed";
    command == "event-set" ? found->second->set() : found->second->reset();
    return "done";
  }
  if (command == "event-wait") {
    int ms = 0;
    words >> ms;
    return eventWait(name, ms);
  }
  if (command == "close") {
    mutexes.erase(name);
    events.erase(name);
    return "closed";
  }
  if (command == "watch-stop") {
    platform::watchStopRequests([] {
      answer("stop " + std::to_string(++stopsSeen) +
             " requested=" + std::to_string(platform::stopRequested()));
    });
    return "watching";
  }
  if (command == "stop-requested") return "requested=" + std::to_string(platform::stopRequested());
  if (command == "pid") return std::to_string(platform::processId());
  if (command == "program-path") return platform::ownProgramPath();
  if (command == "file-version") return ownFileVersion();
  if (command == "message-register") return std::to_string(platform::registerWindowMessage(name));
  if (command == "memory-create") {
    size_t size = 0;
    std::string text;
    words >> size >> text;
    text.resize(size, '\0');
    bool existed = false;
    auto memory = platform::NamedSharedMemory::createOrOpen(name, size, text.data(), &existed);
    if (!memory) return "failed";
    std::string reply = "created existed=" + std::to_string(existed) +
                        " size=" + std::to_string(memory->size());
    memories[name] = std::move(memory);
    return reply;
  }
  if (command == "memory-read" || command == "memory-write") {
    auto found = memories.find(name);
    size_t offset = 0;
    words >> offset;
    if (found == memories.end()) return "failed";
    if (command == "memory-write") {
      std::string text;
      words >> text;
      return found->second->write(offset, text.data(), text.size()) ? "written" : "failed";
    }
    size_t length = 0;
    words >> length;
    std::string bytes(length, '\0');
    return found->second->read(offset, bytes.data(), length) ? bytes : "failed";
  }
  if (command == "window-own") {
    std::string title;
    words >> title;
    const uint32_t ping = platform::registerWindowMessage("KestrixContractPing");
    const uint32_t hang = platform::registerWindowMessage("KestrixContractHang");
    window = std::make_unique<platform::OwnedWindow>();
    bool made = window->create(name, title, [ping, hang](const platform::WindowMessage& message) {
      if (message.message == ping) {
        answer("ping atom=" + message.wParamAtomText);
        return message.lParam * 2;
      }
      if (message.message == hang) {
        auto release = platform::NamedEvent::createOrOpen("hang-release", true, false);
        if (release) release->wait(60000);
      }
      return intptr_t{0};
    });
    return made ? "owned" : "failed";
  }
  return "unknown command " + command;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    for (int i = 1; i < argc; ++i) {
      std::istringstream words(argv[i]);
      answer(run(words));
    }
    return 0;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "exit") break;
    std::istringstream words(line);
    answer(run(words));
  }
  return 0;
}
