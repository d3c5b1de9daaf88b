// A stand-in for a simulator's local pipe on Windows, for scripts/windows-e2e:
// serves one client on \\.\pipe\Microsoft Flight Simulator\SimConnect (or
// the pipe named by the second argument) and relays its bytes both ways to
// the lab's simulator on 127.0.0.1:PORT, so that the client's pipe
// transport is tested against the real wire protocol. Prints "listening"
// once the pipe exists and ends when either side closes.
//
//   simconnect_pipe_relay PORT [PIPE NAME]
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// One overlapped transfer on the pipe, waited for: the relay reads and
// writes the pipe on two threads, which a handle without overlapped I/O
// would serialise.
DWORD transfer(HANDLE pipe, bool read, char* buffer, DWORD length) {
  OVERLAPPED request{};
  request.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD moved = 0;
  BOOL started = read ? ReadFile(pipe, buffer, length, nullptr, &request)
                      : WriteFile(pipe, buffer, length, nullptr, &request);
  if ((started || GetLastError() == ERROR_IO_PENDING) && !GetOverlappedResult(pipe, &request, &moved, TRUE))
    moved = 0;
  CloseHandle(request.hEvent);
  return moved;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: simconnect_pipe_relay PORT [PIPE NAME]\n");
    return 2;
  }
  std::string name = "\\\\.\\pipe\\" + std::string(argc > 2 ? argv[2] : "Microsoft Flight Simulator\\SimConnect");
  HANDLE pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 65536, 65536,
                                 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return 1;
  std::printf("listening\n");
  std::fflush(stdout);

  OVERLAPPED connecting{};
  connecting.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  DWORD ignored = 0;
  if (!ConnectNamedPipe(pipe, &connecting)) {
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING)
      GetOverlappedResult(pipe, &connecting, &ignored, TRUE);
    else if (error != ERROR_PIPE_CONNECTED)
      return 1;
  }

  WSADATA winsock;
  if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) return 1;
  SOCKET simulator = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(std::atoi(argv[1])));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(simulator, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 1;

  std::thread toSimulator([&] {
    char buffer[65536];
    while (DWORD got = transfer(pipe, true, buffer, sizeof buffer))
      if (send(simulator, buffer, static_cast<int>(got), 0) <= 0) break;
    shutdown(simulator, SD_SEND);
  });
  char buffer[65536];
  for (int got; (got = recv(simulator, buffer, sizeof buffer, 0)) > 0;)
    if (transfer(pipe, false, buffer, static_cast<DWORD>(got)) == 0) break;
  // The simulator is gone: so is the pipe, which ends the other direction.
  DisconnectNamedPipe(pipe);
  toSimulator.join();
  return 0;
}
