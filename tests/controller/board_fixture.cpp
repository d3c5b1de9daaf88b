#include "board_fixture.h"

#include <algorithm>

namespace controller_test {

std::vector<uint8_t> report(std::initializer_list<uint8_t> bytes, size_t length) {
  std::vector<uint8_t> result(bytes);
  result.resize(std::max(length, result.size()), 0);
  return result;
}

std::vector<std::vector<uint8_t>> BoardTest::reportsTaken(const std::string& serial,
                                                          int interfaceNumber) {
  std::vector<std::vector<uint8_t>> taken;
  for (const lab::OutputReport& output : rack.outputReports(serial))
    if (output.interfaceNumber == interfaceNumber) taken.push_back(output.bytes);
  return taken;
}

void ControllerTest::openController(const lab::BoardSetup& setup) {
  ASSERT_TRUE(rack.plug(setup));
  ASSERT_NE(iowOpenDevices(), nullptr);
  controller = std::make_unique<CVantrixController>();
  controller->SetDeviceHandle(iowDeviceHandle(1), /*borrowed=*/true);
  ASSERT_EQ(controller->GetSerialNumber(), setup.serial);
}

int32_t KeyRecorder::callback(const std::string& serial, int key, int state, void* user) {
  auto& self = *static_cast<KeyRecorder*>(user);
  std::lock_guard<std::mutex> guard(self.lock_);
  self.calls_.emplace_back(key, state);
  self.serial_ = serial;
  self.changed_.notify_all();
  return key == self.stopKey_ ? 0 : 1;
}

void KeyRecorder::stopAtKey(int key) {
  std::lock_guard<std::mutex> guard(lock_);
  stopKey_ = key;
}

std::vector<KeyRecorder::Call> KeyRecorder::calls() const {
  std::lock_guard<std::mutex> guard(lock_);
  return calls_;
}

std::string KeyRecorder::serialSeen() const {
  std::lock_guard<std::mutex> guard(lock_);
  return serial_;
}

bool KeyRecorder::waitFor(const std::function<bool(const std::vector<Call>&)>& condition) const {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, kDeadline, [&] { return condition(calls_); });
}

bool KeyRecorder::waitForCall(Call call, size_t after) const {
  return waitFor([&](const std::vector<Call>& calls) {
    return calls.size() > after && std::find(calls.begin() + static_cast<long>(after), calls.end(),
                                             call) != calls.end();
  });
}

}  // namespace controller_test
