#include "transponder_mapping.h"

#include <platform/stop_signal.h>
#include <platform/system_facts.h>

#include <cstring>

#include "step_text.h"

namespace {

// Function names match in any letter case (a to z): the file's names are
// upper-cased and compared with the upper-case names of the tables. The
// name travels as a query variable, so no text can change the query.
constexpr char kStepsQuery[] =
    "./function[translate(@name,'abcdefghijklmnopqrstuvwxyz','ABCDEFGHIJKLMNOPQRSTUVWXYZ')"
    "=$name]/fsuipc";

constexpr uint64_t kPauseOffset = 0x9999;
constexpr int64_t kPauseSize = 99;
constexpr int64_t kLargestWrite = 4;  // the bytes a 32-bit data value holds
constexpr uint64_t kOffsetSpace = 0x10000;
constexpr int64_t kLongestPauseMs = 0x7FFFFFFF;
constexpr float kErrorSeconds = 5.0f;
constexpr int kStopCheckMs = 50;

// A pause that only an operator's stop ends early.
bool pauseUnlessStopped(int milliseconds) {
  for (int left = milliseconds; left > 0; left -= kStopCheckMs) {
    if (platform::stopRequested()) return false;
    platform::sleepMs(left < kStopCheckMs ? left : kStopCheckMs);
  }
  return !platform::stopRequested();
}

}  // namespace

TransponderMapping::TransponderMapping(BridgeConfig& config, FsuipcLink& link, SimScreen& screen,
                                       PauseWait pause)
    : config_(config),
      link_(link),
      screen_(screen),
      pause_(pause ? std::move(pause) : PauseWait(pauseUnlessStopped)) {}

void TransponderMapping::runFunction(const std::string& name) {
  platform::XmlElement module = config_.currentModule();
  if (!module) return;
  std::vector<platform::XmlElement> steps = module.selectNodes(kStepsQuery, {{"name", name}});
  if (steps.empty()) return;
  if (!link_.isOpen() && !link_.open()) {
    screen_.showSimText(link_.errorText(), kErrorSeconds);
    return;
  }
  for (const platform::XmlElement& step : steps)
    if (!runStep(step)) return;
}

bool TransponderMapping::runStep(const platform::XmlElement& step) {
  auto offsetText = step.attribute("offset");
  auto sizeText = step.attribute("size");
  auto dataText = step.attribute("data");
  // A step that lacks one of its attributes is incomplete: it is skipped
  // like one with offset or size 0, rather than guessing a value.
  if (!offsetText || !sizeText || !dataText) return true;
  const uint64_t offset = parseHexOffset(*offsetText);
  const int64_t size = parseDecimal(*sizeText);
  const int64_t data = parseDecimal(*dataText);
  if (offset == 0 || size == 0) return true;
  if (offset == kPauseOffset && size == kPauseSize) {
    // A negative count of milliseconds is no pause at all.
    if (data <= 0) return true;
    return pause_(static_cast<int>(data < kLongestPauseMs ? data : kLongestPauseMs));
  }
  // Only the value's own bytes can be written: nothing of the step is sent
  // when its size names more bytes than that, or no byte count at all.
  if (size < 0 || size > kLargestWrite) {
    screen_.showSimText("Squarix: a step of offset " + *offsetText + " has size " + *sizeText +
                            "; only sizes 1 to 4 can be written",
                        kErrorSeconds);
    return true;
  }
  // FSUIPC's offsets are 16 bits; a step reaching past the last one would
  // write somewhere else than the file's author meant, or nowhere.
  if (offset > kOffsetSpace || static_cast<uint64_t>(size) > kOffsetSpace - offset) {
    screen_.showSimText("Squarix: a step of offset " + *offsetText + " and size " + *sizeText +
                            " reaches past the last FSUIPC offset, FFFF",
                        kErrorSeconds);
    return true;
  }
  uint8_t bytes[kLargestWrite];
  // The low bytes of the value, least significant first.
  auto value = static_cast<uint32_t>(static_cast<uint64_t>(data));
  for (int i = 0; i < kLargestWrite; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
  auto write = [&] {
    return link_.queueWrite(static_cast<uint32_t>(offset), static_cast<uint32_t>(size), bytes) ==
               FsuipcError::Okay &&
           link_.process() == FsuipcError::Okay;
  };
  bool written = write();
  // FSUIPC restarted (its window went, a new one came): the link closed
  // itself; it is opened once more and the write tried again, so that the
  // selection reaches the new FSUIPC.
  if (!written && link_.lastError() == FsuipcError::NoServerWindow && !link_.isOpen() &&
      link_.open())
    written = write();
  if (!written) reportLinkError();
  return true;
}

void TransponderMapping::reportLinkError() {
  screen_.showSimText("Error communicating with FSUIPC: " + link_.errorText(), kErrorSeconds);
}
