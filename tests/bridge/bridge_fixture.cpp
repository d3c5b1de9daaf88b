#include "bridge_fixture.h"

#include <platform/registry.h>

#include "remembered_config.h"

namespace bridgetest {

BridgeFixture::BridgeFixture()
    : configPath(env.root() + "/squarix.XML"),
      config(configPath, screen, [this] { quitRequested = true; }),
      mapping(config, link, screen) {
  platform::setNoticeSink([this](platform::NoticeKind kind, const std::string& caption,
                                 const std::string& text) {
    if (kind == platform::NoticeKind::MessageBox) messageBoxes.push_back({caption, text});
  });
  EXPECT_TRUE(server.open());
}

BridgeFixture::~BridgeFixture() { platform::setNoticeSink({}); }

void BridgeFixture::writeModules(const std::string& modules) {
  writeConfig("<?xml version=\"1.0\"?>\n<quornellimited><squarix><modules>\n" + modules +
              "\n</modules></squarix></quornellimited>\n");
}

void BridgeFixture::remember(const std::string& name) { ASSERT_TRUE(rememberConfig(name)); }

std::optional<std::string> BridgeFixture::rememberedName() const { return readRememberedConfig(); }

std::vector<lab::FsuipcWrite> BridgeFixture::writesOf(const std::string& function) {
  server.clearWrites();
  mapping.runFunction(function);
  std::vector<lab::FsuipcWrite> writes;
  // The handshake of an open on the way is no part of the function.
  for (auto& write : server.writes())
    if (write.offset != lab::FsuipcServer::kLibraryVersionOffset) writes.push_back(write);
  return writes;
}

std::vector<std::string> BridgeFixture::entriesOf(const std::string& block) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start < block.size()) {
    size_t end = block.find('\0', start);
    if (end == std::string::npos) {
      entries.push_back(block.substr(start) + "<no NUL>");
      break;
    }
    entries.push_back(block.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

}  // namespace bridgetest
