#include <platform/named_event.h>
#include <platform/window_messages.h>

#include "contract_fixture.h"

namespace platform_contract {
namespace {

class WindowMessagesContract : public ContractTest {
 protected:
  // The helper owns a window of a class of this case's own and keeps it
  // until go is set.
  void startWindowOwner() {
    className_ = uniqueName("KestrixContractWindow");
    goName_ = uniqueName("go");
    go_ = platform::NamedEvent::createOrOpen(goName_, true, false);
    ASSERT_NE(go_, nullptr);
    owner_ = startHelper({"window-own " + className_ + " Owner", "event-create " + goName_ + " 1 0",
                          "event-wait " + goName_ + " 120000"});
    ASSERT_NE(owner_, nullptr);
    ASSERT_TRUE(owner_->waitForOutput("owned", kLongWait)) << owner_->output();
    ASSERT_TRUE(owner_->waitForOutput("created existed=1", kLongWait)) << owner_->output();
  }

  void TearDown() override {
    if (go_) go_->set();
    if (owner_) {
      EXPECT_EQ(owner_->waitForExit(kLongWait), 0) << owner_->output();
    }
    ContractTest::TearDown();
  }

  std::string className_, goName_;
  std::unique_ptr<platform::NamedEvent> go_;
  std::unique_ptr<platform::ChildProcess> owner_;
};

TEST_F(WindowMessagesContract, RegisteredMessageIdIsTheSameInEveryProcess) {
  const std::string name = uniqueName("KestrixContractMessage");
  const uint32_t id = platform::registerWindowMessage(name);
  EXPECT_GE(id, 0xC000u);
  EXPECT_LE(id, 0xFFFFu);
  EXPECT_EQ(platform::registerWindowMessage(name), id);
  auto helper = startHelper({"message-register " + name});
  ASSERT_NE(helper, nullptr);
  EXPECT_EQ(helper->waitForExit(kLongWait), 0);
  EXPECT_NE(helper->output().find(std::to_string(id)), std::string::npos) << helper->output();
}

TEST_F(WindowMessagesContract, WindowOfAnotherProcessIsFoundByClassAndTitle) {
  startWindowOwner();
  EXPECT_TRUE(platform::findWindow(className_));
  EXPECT_TRUE(platform::findWindow(className_, std::string("Owner")));
  EXPECT_FALSE(platform::findWindow(className_, std::string("Another title")));
  EXPECT_FALSE(platform::findWindow(className_ + "-none"));
}

TEST_F(WindowMessagesContract, MessageWithAnAtomIsAnsweredByTheOtherProcess) {
  startWindowOwner();
  const platform::WindowHandle window = platform::findWindow(className_);
  ASSERT_TRUE(window);
  const std::string text = "TCAS_MODE_SWITCH=4";
  const uint16_t atom = platform::addAtom(text);
  ASSERT_GE(atom, 0xC000);
  EXPECT_EQ(platform::atomText(atom), text);

  auto sent = platform::sendMessage(window, platform::registerWindowMessage("KestrixContractPing"),
                                    atom, 21, 60000);
  EXPECT_EQ(sent.status, platform::SendStatus::ok);
  EXPECT_EQ(sent.result, 42);
  EXPECT_TRUE(owner_->waitForOutput("ping atom=" + text, kLongWait)) << owner_->output();
  platform::deleteAtom(atom);
}

TEST_F(WindowMessagesContract, AnswerThatNeverComesCostsTheSenderItsTimeout) {
  startWindowOwner();
  const platform::WindowHandle window = platform::findWindow(className_);
  ASSERT_TRUE(window);
  auto release = platform::NamedEvent::createOrOpen("hang-release", true, false);
  ASSERT_NE(release, nullptr);
  auto sent = platform::sendMessage(window, platform::registerWindowMessage("KestrixContractHang"),
                                    0, 0, 300);
  release->set();
  EXPECT_EQ(sent.status, platform::SendStatus::timedOut);
}

TEST_F(WindowMessagesContract, WindowIsGoneWithItsProcess) {
  startWindowOwner();
  const platform::WindowHandle window = platform::findWindow(className_);
  ASSERT_TRUE(window);
  go_->set();
  EXPECT_EQ(owner_->waitForExit(kLongWait), 0);
  owner_.reset();
  EXPECT_FALSE(platform::findWindow(className_));
  EXPECT_FALSE(platform::sendMessage(window, platform::registerWindowMessage("KestrixContractPing"),
                                     0, 1, 1000)
                   .ok());
}

}  // namespace
}  // namespace platform_contract
