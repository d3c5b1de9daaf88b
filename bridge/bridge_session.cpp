#include "bridge_session.h"

#include <platform/stop_signal.h>
#include <platform/system_facts.h>
#include <registration/file_version_string.h>

#include <chrono>
#include <utility>

#include "bridge_ids.h"

namespace {

constexpr char kClientName[] = "Squarix";
constexpr int kRetryMs = 2000;
constexpr float kAboutSeconds = 8.0f;

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

void BridgeSession::SessionScreen::showSimText(const std::string& text, float seconds) {
  std::string data = text;  // sent with its terminating NUL
  SimConnect_Text(handle_, SIMCONNECT_TEXT_TYPE_PRINT_WHITE, seconds, bridge_ids::kTextEvent,
                  static_cast<DWORD>(data.size() + 1), data.data());
}

void BridgeSession::SessionScreen::showMenu(const std::string& block) {
  std::string data = block;
  SimConnect_Text(handle_, SIMCONNECT_TEXT_TYPE_MENU, 0.0f, bridge_ids::kChooserResult,
                  static_cast<DWORD>(data.size()), data.data());
}

BridgeSession::BridgeSession(FsuipcLink& link, std::string configPath, platform::WakeEvent& wake)
    : wake_(wake),
      screen_(handle_),
      config_(std::move(configPath), screen_, [this] { quit_ = true; }),
      mapping_(config_, link, screen_, [this](int milliseconds) { return waitOutPause(milliseconds); }) {}

BridgeSession::~BridgeSession() {
  if (handle_) SimConnect_Close(handle_);
}

void BridgeSession::run() {
  names_.fill();
  if (!connect()) return;
  setUp();
  while (!ending()) {
    handleKeptMessages();
    // A simulator that went away without its quit message ends the session
    // too: otherwise this instance would hold the single-instance mutex
    // and keep the bridge of the next simulator start from running.
    if (SimConnect_CallDispatch(handle_, &BridgeSession::dispatchProc, this) ==
        SIMCONNECT_E_PIPE_BROKEN)
      broken_ = true;
    // Messages kept during a pause that the dispatch ran are handled next.
    if (!ending() && kept_.empty()) wake_.wait(-1);
  }
  tearDown();
  SimConnect_Close(handle_);
  handle_ = nullptr;
}

bool BridgeSession::connect() {
  while (FAILED(SimConnect_Open(&handle_, kClientName, nullptr, 0, wake_.handle(), 0))) {
    handle_ = nullptr;
    if (!waitBeforeRetry()) return false;
  }
  return true;
}

bool BridgeSession::waitBeforeRetry() {
  const auto deadline = Clock::now() + std::chrono::milliseconds(kRetryMs);
  while (!platform::stopRequested()) {
    const int left = millisecondsUntil(deadline);
    if (left == 0) return true;
    wake_.wait(left);
  }
  return false;
}

void BridgeSession::setUp() {
  using namespace bridge_ids;
  SimConnect_MenuAddItem(handle_, "Squarix", kMenuSquarix, 0);
  SimConnect_MenuAddSubItem(handle_, kMenuSquarix, "About...", kMenuAbout, 0);
  SimConnect_MenuAddSubItem(handle_, kMenuSquarix, "Change configuraiton", kMenuChangeConfig, 0);
  SimConnect_SubscribeToSystemEvent(handle_, kSimStart, "SimStart");
  SimConnect_SubscribeToSystemEvent(handle_, kSimStop, "SimStop");
  SimConnect_RequestSystemState(handle_, kSimStateRequest, "Sim");
  SimConnect_MapClientEventToSimEvent(handle_, kXpndrMode, "ZRQ-XPNDR.Mode");
  SimConnect_MapClientEventToSimEvent(handle_, kXpndrPosition, "ZRQ-XPNDR.Position");
  SimConnect_MapClientEventToSimEvent(handle_, kXpndrStatus, "ZRQ-XPNDR.Status");
  SimConnect_MapClientEventToSimEvent(handle_, kXpndrIdent, "ZRQ-XPNDR.Ident");
  constexpr BOOL kNotMaskable = 0;
  for (DWORD event : {kXpndrMode, kXpndrPosition, kXpndrStatus, kXpndrIdent})
    SimConnect_AddClientEventToNotificationGroup(handle_, kTransponderGroup, event, kNotMaskable);
  SimConnect_SetNotificationGroupPriority(handle_, kTransponderGroup,
                                          SIMCONNECT_GROUP_PRIORITY_HIGHEST);
}

void BridgeSession::tearDown() {
  using namespace bridge_ids;
  SimConnect_UnsubscribeFromSystemEvent(handle_, kSimStop);
  SimConnect_UnsubscribeFromSystemEvent(handle_, kSimStart);
  SimConnect_MenuDeleteSubItem(handle_, kMenuSquarix, kMenuChangeConfig);
  SimConnect_MenuDeleteSubItem(handle_, kMenuSquarix, kMenuAbout);
  SimConnect_MenuDeleteItem(handle_, kMenuSquarix);
}

bool BridgeSession::ending() const { return quit_ || broken_ || platform::stopRequested(); }

bool BridgeSession::waitOutPause(int milliseconds) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    takeArrivedMessages();
    if (ending()) return false;
    const int left = millisecondsUntil(deadline);
    if (left == 0) return true;
    // Ends early when a message arrives or an operator stops the program.
    wake_.wait(left);
  }
}

void BridgeSession::takeArrivedMessages() {
  SIMCONNECT_RECV* message = nullptr;
  DWORD size = 0;
  for (;;) {
    HRESULT result = SimConnect_GetNextDispatch(handle_, &message, &size);
    if (result == SIMCONNECT_E_PIPE_BROKEN) {
      broken_ = true;
      return;
    }
    if (FAILED(result) || !message) return;
    // The simulator's quit ends the pause at once; the rest waits its turn.
    if (message->dwID == SIMCONNECT_RECV_ID_QUIT) {
      quit_ = true;
      return;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(message);
    kept_.emplace_back(bytes, bytes + size);
  }
}

void BridgeSession::handleKeptMessages() {
  while (!kept_.empty() && !ending()) {
    std::vector<uint8_t> message = std::move(kept_.front());
    kept_.pop_front();
    handle(*reinterpret_cast<const SIMCONNECT_RECV*>(message.data()),
           static_cast<DWORD>(message.size()));
  }
}

void BridgeSession::dispatchProc(SIMCONNECT_RECV* data, DWORD size, void* context) {
  if (data && context) static_cast<BridgeSession*>(context)->handle(*data, size);
}

void BridgeSession::handle(const SIMCONNECT_RECV& message, DWORD size) {
  // Once the session ends, what is still queued is left alone.
  if (ending()) return;
  switch (message.dwID) {
    case SIMCONNECT_RECV_ID_QUIT:
      quit_ = true;
      break;
    case SIMCONNECT_RECV_ID_EVENT:
      if (size >= sizeof(SIMCONNECT_RECV_EVENT))
        handleEvent(static_cast<const SIMCONNECT_RECV_EVENT&>(message));
      break;
    case SIMCONNECT_RECV_ID_SYSTEM_STATE: {
      if (size < sizeof(SIMCONNECT_RECV_SYSTEM_STATE)) break;
      const auto& state = static_cast<const SIMCONNECT_RECV_SYSTEM_STATE&>(message);
      // A flight already runs when the bridge connects.
      if (state.dwRequestID == bridge_ids::kSimStateRequest && state.dwInteger == 1)
        config_.loadConfiguration();
      break;
    }
    default:
      break;
  }
}

void BridgeSession::handleEvent(const SIMCONNECT_RECV_EVENT& event) {
  using namespace bridge_ids;
  switch (event.uEventID) {
    case kMenuAbout:
      screen_.showSimText("Squarix v" + registration::ownFileVersionString(), kAboutSeconds);
      break;
    case kSimStart:
      config_.loadConfiguration();
      break;
    case kXpndrMode:
      mapping_.runFunction(nameFor(names_.ModeNames, event.dwData));
      break;
    case kXpndrPosition:
      mapping_.runFunction(nameFor(names_.PositionNames, event.dwData));
      break;
    case kXpndrStatus:
      mapping_.runFunction(nameFor(names_.StatusNames, event.dwData));
      break;
    case kXpndrIdent:
      mapping_.runFunction(identName(event.dwData));
      break;
    case kChooserResult:
      config_.applyChosenConfig(event.dwData);
      break;
    case kMenuChangeConfig:
      config_.showConfigChooser();
      break;
    default:
      break;
  }
}
