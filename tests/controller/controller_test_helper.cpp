// A second process for the controller tests. It reads one command per line
// on stdin and answers each with one line on stdout, so a test can drive a
// board from another process while its own process drives it too.
//
//   open            -> "opened N": opens the device list, a controller on board 1
//   lock            -> the result of Lock
//   unlock          -> "unlocked"
//   config          -> "config R MODEL VARIANT DATE" after ReadConfiguration(false)
//   refresh SERIAL  -> "set": sets the board's refresh event
//   close           -> "closed": closes the controller and the device list
//   exit            -> ends the process (so does the end of stdin)

#include <controller/named_objects.h>
#include <controller/vantrix_controller.h>
#include <platform/named_event.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::unique_ptr<CVantrixController> controller;

void answer(const std::string& line) {
  std::string text = line + "\n";
  if (write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size())) _exit(3);
}

std::string run(std::istringstream& words) {
  std::string command;
  words >> command;
  if (command == "open") {
    if (!iowOpenDevices()) return "opened 0";
    controller = std::make_unique<CVantrixController>();
    controller->SetDeviceHandle(iowDeviceHandle(1), true);
    return "opened " + std::to_string(iowDeviceCount());
  }
  if (!controller && command != "refresh") return "not open";
  if (command == "lock") return std::to_string(controller->Lock());
  if (command == "unlock") {
    controller->Unlock();
    return "unlocked";
  }
  if (command == "config") {
    bool read = controller->ReadConfiguration(false);
    ControllerInfo info = controller->GetControllerInfo();
    return "config " + std::to_string(read) + " " + info.modelText + " " +
           std::to_string(info.variantNumber) + " " + info.dateText;
  }
  if (command == "refresh") {
    std::string serial;
    words >> serial;
    auto event = platform::NamedEvent::createOrOpen(keyRefreshEventName(serial), false, false);
    if (!event) return "failed";
    event->set();
    return "set";
  }
  if (command == "close") {
    controller.reset();
    iowCloseDevices(nullptr);
    return "closed";
  }
  return "unknown command " + command;
}

}  // namespace

int main() {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "exit") break;
    std::istringstream words(line);
    answer(run(words));
  }
  controller.reset();
  iowCloseDevices(nullptr);
  return 0;
}
