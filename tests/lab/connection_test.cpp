// One client connection of the lab's simulator, on a socket pair.
#include <gtest/gtest.h>
#include <simconnect/wire.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sim/connection.h"

namespace {

namespace wire = simconnect::wire;
using lab::sim::Connection;

// A client that sends its last requests and closes at once, before the lab
// has answered any of them, as a program does at the end of its teardown.
TEST(LabConnectionTest, RequestsSentBeforeThePeerClosedAreAllHandedOn) {
  int ends[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  Connection connection(ends[0], 1);
  std::vector<uint8_t> bytes;
  const wire::Request requests[] = {wire::RequestSystemState{0, "Sim"},
                                    wire::MenuAddItem{"Squarix", 0, 0},
                                    wire::MenuAddItem{"Other", 1, 0}};
  uint32_t sendId = 1;
  for (const auto& request : requests) {
    auto packet = wire::encodeRequest(request, sendId++);
    bytes.insert(bytes.end(), packet.begin(), packet.end());
  }
  ASSERT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(ends[1]);

  std::vector<std::vector<uint8_t>> packets;
  ASSERT_EQ(connection.read(packets), Connection::ReadResult::Ok);
  ASSERT_EQ(packets.size(), 3u);
  // The answer to the first finds the peer gone; the other two must still
  // be served, so the connection goes on serving.
  connection.send(std::vector<uint8_t>(32, 0));
  EXPECT_TRUE(connection.peerStoppedReading());
  EXPECT_EQ(connection.state(), Connection::State::Serving);
  EXPECT_FALSE(connection.wantsWrite());
  // The end of the stream ends it.
  packets.clear();
  EXPECT_EQ(connection.read(packets), Connection::ReadResult::Ended);
  EXPECT_EQ(connection.state(), Connection::State::Ended);
}

}  // namespace
