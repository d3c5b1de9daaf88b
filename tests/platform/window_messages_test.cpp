#include <platform/window_messages.h>

#include <atomic>
#include <chrono>
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

}  // namespace
