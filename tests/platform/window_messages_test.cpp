#include <platform/window_messages.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>
#include <thread>

#include "helper_process.h"
#include "platform_test_env.h"

namespace {

using platform::OwnedWindow;
using platform::SendStatus;
using platform::WindowMessage;

class WindowMessagesTest : public platform_test::PlatformTest {};

TEST_F(WindowMessagesTest, FindsWindowByClassAndExactTitleOnly) {
  OwnedWindow titled, untitled;
  ASSERT_TRUE(titled.create("TCP_CLIENT", "Some title", nullptr));
  ASSERT_TRUE(untitled.create("TCP_CLIENT", "", nullptr));

  EXPECT_EQ(platform::findWindow("TCP_CLIENT", std::string()).address,
            untitled.handle().address);
  EXPECT_EQ(platform::findWindow("TCP_CLIENT", std::string("Some title")).address,
            titled.handle().address);
  EXPECT_TRUE(platform::findWindow("TCP_CLIENT"));  // no title given: any
  EXPECT_FALSE(platform::findWindow("TCP_CLIENT", std::string("Some")));
  EXPECT_FALSE(platform::findWindow("tcp_client", std::string()));

  untitled.destroy();
  EXPECT_FALSE(platform::findWindow("TCP_CLIENT", std::string()));
}

TEST_F(WindowMessagesTest, RegisteredMessageIdIsTheSameInEveryProcess) {
  uint32_t mine = platform::registerWindowMessage("SWITCH");
  EXPECT_GE(mine, 0xC000u);
  EXPECT_EQ(platform::registerWindowMessage("switch"), mine);
  uint32_t other = platform::registerWindowMessage("FsasmLib:IPC");
  EXPECT_NE(other, mine);

  platform_test::HelperProcess helper;
  EXPECT_EQ(helper.ask("message-register FsasmLib:IPC"), std::to_string(other));
  EXPECT_EQ(helper.ask("message-register SWITCH"), std::to_string(mine));
}

TEST_F(WindowMessagesTest, AtomsAreCountedAndKeepTheirText) {
  uint16_t atom = platform::addAtom("XPNDR_IDENT=1");
  ASSERT_GE(atom, 0xC000);
  EXPECT_EQ(platform::addAtom("XPNDR_IDENT=1"), atom);
  EXPECT_NE(platform::addAtom("TCAS_MODE_SWITCH=4"), atom);
  EXPECT_EQ(platform::atomText(atom), "XPNDR_IDENT=1");
  platform::deleteAtom(atom);
  EXPECT_EQ(platform::atomText(atom), "XPNDR_IDENT=1");  // one reference left
  platform::deleteAtom(atom);
  EXPECT_EQ(platform::atomText(atom), "");
  EXPECT_EQ(platform::addAtom(""), 0);
}

TEST_F(WindowMessagesTest, SendCarriesParametersAndAtomTextAndReturnsTheAnswer) {
  std::promise<WindowMessage> seen;
  OwnedWindow window;
  ASSERT_TRUE(window.create("UIPCMAIN", "", [&](const WindowMessage& message) {
    seen.set_value(message);
    return intptr_t{1};
  }));
  uint32_t id = platform::registerWindowMessage("FsasmLib:IPC");
  uint16_t atom = platform::addAtom("FsasmLib:IPC:1A2B:2");

  auto sent = platform::sendMessage(platform::findWindow("UIPCMAIN"), id, atom, 0, 60000);
  platform::deleteAtom(atom);

  ASSERT_TRUE(sent.ok());
  EXPECT_EQ(sent.result, 1);
  WindowMessage message = seen.get_future().get();
  EXPECT_EQ(message.message, id);
  EXPECT_EQ(message.wParam, atom);
  EXPECT_EQ(message.lParam, 0);
  EXPECT_EQ(message.wParamAtomText, "FsasmLib:IPC:1A2B:2");
}

TEST_F(WindowMessagesTest, ASenderThatDripsItsMessageIsDroppedAndTheNextOneServed) {
  OwnedWindow window;
  ASSERT_TRUE(window.create("UIPCMAIN", "", [](const WindowMessage&) { return intptr_t{1}; }));
  // A sender that connects first and sends a byte of its message now and
  // then, each well within a second, but never the whole of it.
  int dripper = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(dripper, 0);
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  std::snprintf(where.sun_path, sizeof where.sun_path, "%s", window.handle().address.c_str());
  ASSERT_EQ(connect(dripper, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
  std::atomic<bool> done{false};
  std::thread drip([&] {
    // Its 24-byte header would take twelve seconds.
    for (int i = 0; i < 40 && !done; ++i) {
      (void)!send(dripper, "", 1, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
  });
  auto sent = platform::sendMessage(window.handle(), 0xC000, 0, 0, 5000);
  done = true;
  drip.join();
  close(dripper);
  ASSERT_TRUE(sent.ok());
  EXPECT_EQ(sent.result, 1);
}

TEST_F(WindowMessagesTest, SendToAWindowThatNeverAnswersTimesOut) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  OwnedWindow hung;
  ASSERT_TRUE(hung.create("TCP_CLIENT", "", [released](const WindowMessage&) {
    released.wait();
    return intptr_t{0};
  }));

  auto sent = platform::sendMessage(hung.handle(), 0xC000, 0, 0, 200);
  EXPECT_EQ(sent.status, SendStatus::timedOut);
  release.set_value();
}

TEST_F(WindowMessagesTest, SendToAGoneWindowReportsAnInvalidWindow) {
  OwnedWindow window;
  ASSERT_TRUE(window.create("TCP_CLIENT", "", nullptr));
  platform::WindowHandle handle = window.handle();
  window.destroy();
  EXPECT_EQ(platform::sendMessage(handle, 0xC000, 0, 0, 1000).status, SendStatus::invalidWindow);
  EXPECT_EQ(platform::sendMessage({}, 0xC000, 0, 0, 1000).status, SendStatus::invalidWindow);
}

TEST_F(WindowMessagesTest, TheFilesOfAWindowWhoseProcessDiedGoWhenFound) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    OwnedWindow window;
    char made = window.create("UIPCMAIN", "", nullptr) ? 'y' : 'n';
    (void)!write(ready[1], &made, 1);
    _exit(0);  // no destroy: as a killed program leaves it
  }
  char made = 0;
  ASSERT_EQ(read(ready[0], &made, 1), 1);
  ASSERT_EQ(made, 'y');
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  close(ready[0]);
  close(ready[1]);
  auto windowFiles = [this] {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path("runtime/windows"))) {
      const auto extension = entry.path().extension();
      count += extension == ".window" || extension == ".sock";
    }
    return count;
  };
  ASSERT_EQ(windowFiles(), 2u);

  OwnedWindow alive;
  ASSERT_TRUE(alive.create("TCP_CLIENT", "", nullptr));
  EXPECT_FALSE(platform::findWindow("UIPCMAIN"));
  EXPECT_EQ(windowFiles(), 2u) << "only the living window's files are left";
  EXPECT_TRUE(platform::findWindow("TCP_CLIENT"));
}

}  // namespace
