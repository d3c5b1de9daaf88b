#pragma once
// The lab's control socket: answers `kestrix-lab` commands, one exchange per
// connection (see control_protocol.h), on a thread of its own. Each family
// of commands ("sim", later "board", "fsuipc", "peer") has its handler.
#include "lab/command_forms.h"
#include "lab/control_protocol.h"

#include <functional>
#include <memory>
#include <string>

namespace lab::control {

class ControlServer {
 public:
  using Handler = std::function<Reply(const MatchedCommand& command)>;

  explicit ControlServer(std::string socketPath);
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Handlers are added before start().
  void addFamily(const std::string& family, Handler handler);

  bool start();  // false on failure, with the reason in lastError()
  void stop();
  std::string lastError() const;

  // What a request line gets, without the socket (the server thread's work).
  Reply answer(const std::string& requestLine) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lab::control
