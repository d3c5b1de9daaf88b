#include "lab/peer_window.h"

namespace lab {

bool PeerWindow::open() {
  if (window_.handle()) return false;
  switchMessage_ = platform::registerWindowMessage("SWITCH");
  if (switchMessage_ == 0) return false;
  return window_.create("TCP_CLIENT", "",
                        [this](const platform::WindowMessage& message) { return receive(message); });
}

void PeerWindow::close() { window_.destroy(); }

bool PeerWindow::isOpen() const { return static_cast<bool>(window_.handle()); }

intptr_t PeerWindow::receive(const platform::WindowMessage& message) {
  if (message.message != switchMessage_) return 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    notices_.push_back(message.wParamAtomText);
  }
  changed_.notify_all();
  return 1;
}

std::vector<std::string> PeerWindow::notices() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return notices_;
}

void PeerWindow::clearNotices() {
  std::lock_guard<std::mutex> lock(mutex_);
  notices_.clear();
}

bool PeerWindow::waitUntil(const std::function<bool(const std::vector<std::string>&)>& condition,
                           std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return condition(notices_); });
}

}  // namespace lab
