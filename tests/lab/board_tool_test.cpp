// `kestrix-lab board ...` as a person or a script runs it, against a real
// `kestrix-lab serve`, with this process as the program that uses the boards.
#include "lab_tool_fixture.h"

#include <platform/child_process.h>
#include <platform/hid.h>
#include <test_environment.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace labtest {
namespace {

using platform::HidDevice;
using Bytes = std::vector<uint8_t>;

constexpr std::chrono::milliseconds kPatience{10000};
constexpr int kPatienceMs = 10000;

class BoardToolTest : public LabToolFixture {
 protected:
  std::string pathOf(const std::u16string& serial, int interfaceNumber) {
    for (const auto& info : platform::enumerateHidInterfaces())
      if (info.serialNumber == serial && info.interfaceNumber == interfaceNumber) return info.path;
    return {};
  }

  static bool write(HidDevice& device, Bytes bytes) {
    bytes.resize(8);
    return device.writeReport(bytes.data(), bytes.size(), kPatienceMs).status ==
           HidDevice::Status::Ok;
  }

  static std::optional<Bytes> next(HidDevice& device) {
    Bytes buffer(8);
    auto result = device.readReport(buffer.data(), buffer.size(), kPatienceMs);
    if (result.status != HidDevice::Status::Ok) return std::nullopt;
    return buffer;
  }
};

TEST_F(BoardToolTest, TheDefaultWorldHasARadioAndATransponderPanel) {
  auto lab = serve();
  EXPECT_NE(lab->output().find("lab: boards in " + environment.runtimeDir() +
                               "/hid: 00001001 00001002\n"),
            std::string::npos)
      << lab->output();
  auto list = run({"board", "list"});
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_EQ(list.output,
            "00001001 (model 3401, variant 1, VID 1FD1, PID 03E8)\n"
            "00001002 (model 3402, variant 2, VID 1FD1, PID 03E8)\n");
  EXPECT_EQ(platform::enumerateHidInterfaces().size(), 4u);

  lab->requestStop();
  EXPECT_EQ(lab->waitForExit(kPatience), 0) << lab->output();
  EXPECT_TRUE(platform::enumerateHidInterfaces().empty());
  EXPECT_FALSE(std::filesystem::exists(environment.runtimeDir() + "/hid"));
}

TEST_F(BoardToolTest, APersonPlugsPressesLooksAndUnplugs) {
  auto lab = serve({"--no-boards"});
  EXPECT_EQ(run({"board", "list"}).output, "no boards\n");
  auto added = run({"board", "add", "0000A1B2", "--variant", "2", "--model", "3401"});
  EXPECT_EQ(added.exitCode, 0);
  EXPECT_EQ(added.output, "added board 0000A1B2 (model 3401, variant 2, VID 1FD1, PID 03E8)\n");

  auto in = HidDevice::open(pathOf(u"0000A1B2", 1), HidDevice::Access::Read);
  auto out = HidDevice::open(pathOf(u"0000A1B2", 1), HidDevice::Access::Write);
  ASSERT_TRUE(in && out);
  ASSERT_TRUE(write(*out, {0x18, 1}));
  EXPECT_EQ(run({"board", "press", "0000A1B2", "10"}).output, "pressed key 10 of 0000A1B2\n");
  EXPECT_EQ(next(*in), (Bytes{0x19, 0x00, 0x02, 0, 0, 0, 0, 0}));
  EXPECT_EQ(next(*in), (Bytes{0x1A, 0, 0, 0, 0, 0, 0, 0}));

  // "7." on position 2 and LED 9 (row 0, column 1 as well: segment a of position 2).
  ASSERT_TRUE(write(*out, {0x14, 1}));
  for (uint8_t row = 0; row < 8; ++row)
    ASSERT_TRUE(write(*out, {0x15, row, uint8_t((0x87 >> row) & 1 ? 0x02 : 0), 0, 0, 0}));
  auto shown = run({"board", "show", "0000A1B2"});
  EXPECT_EQ(shown.exitCode, 0);
  EXPECT_EQ(shown.output,
            "board 0000A1B2 (model 3401, variant 2, VID 1FD1, PID 03E8)\n"
            "  digits  \" 7." + std::string(30, ' ') + "\"\n"
            "  leds    4 lit: 9 10 11 16\n"
            "  ports   FF FF FF FF\n"
            "  modes   LED matrix on, keys 64, IIC off\n"
            "  keys    pressed: 10\n");
  auto json = run({"board", "show", "0000A1B2", "--json"});
  EXPECT_EQ(json.exitCode, 0);
  EXPECT_NE(json.output.find("\"positions\":[\" \",\"7.\",\" \""), std::string::npos)
      << json.output;
  EXPECT_NE(json.output.find("\"leds\":[9,10,11,16]"), std::string::npos) << json.output;
  EXPECT_NE(json.output.find("\"keyMode\":1,\"keys\":64"), std::string::npos) << json.output;
  EXPECT_NE(json.output.find("\"pressedKeys\":[10]"), std::string::npos) << json.output;

  EXPECT_EQ(run({"board", "release", "0000A1B2", "10"}).output, "released key 10 of 0000A1B2\n");
  EXPECT_EQ(next(*in), (Bytes{0x19, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(next(*in), (Bytes{0x1A, 0, 0, 0, 0, 0, 0, 0}));

  EXPECT_EQ(run({"board", "remove", "0000A1B2"}).output, "removed board 0000A1B2\n");
  uint8_t buffer[8];
  EXPECT_EQ(in->readReport(buffer, sizeof buffer, kPatienceMs).status, HidDevice::Status::Gone);
  EXPECT_TRUE(platform::enumerateHidInterfaces().empty());
}

TEST_F(BoardToolTest, OptionsChooseIdsAndModels) {
  auto lab = serve({"--no-boards"});
  EXPECT_EQ(run({"board", "add", "C0DE", "--model", "blank", "--vendor", "7c0", "--product",
                 "1583"})
                .exitCode,
            0);
  auto list = run({"board", "list", "--json"});
  EXPECT_EQ(list.output,
            "[{\"serial\":\"C0DE\",\"model\":\"FFFF\",\"variant\":255,\"vendorId\":1984,"
            "\"productId\":5507}]\n");
  EXPECT_FALSE(pathOf(u"C0DE", 0).empty());
  EXPECT_NE(pathOf(u"C0DE", 0).find("VID_07C0&PID_1583&MI_00"), std::string::npos);
}

// Each fault that the controller library's tests set in-process can be set
// by hand, to see what a program makes of it.
TEST_F(BoardToolTest, APersonSetsTheFaultsOfABoard) {
  auto lab = serve({"--no-boards"});
  ASSERT_EQ(run({"board", "add", "0000A1B2", "--model", "3401"}).exitCode, 0);
  auto in = HidDevice::open(pathOf(u"0000A1B2", 1), HidDevice::Access::Read);
  auto out = HidDevice::open(pathOf(u"0000A1B2", 1), HidDevice::Access::Write);
  ASSERT_TRUE(in && out);

  // Writes the board does not take.
  auto stalled = run({"board", "fault", "0000A1B2", "stall-writes", "on"});
  EXPECT_EQ(stalled.exitCode, 0);
  EXPECT_EQ(stalled.output, "board 0000A1B2 faults: stall-writes\n");
  Bytes led = {0x14, 1, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(out->writeReport(led.data(), led.size(), 100).status, HidDevice::Status::Timeout);
  EXPECT_NE(run({"board", "show", "0000A1B2"}).output.find("  faults  stall-writes\n"),
            std::string::npos);
  EXPECT_EQ(run({"board", "fault", "0000A1B2", "reply-delay", "20"}).output,
            "board 0000A1B2 faults: stall-writes, reply-delay 20\n");
  EXPECT_NE(run({"board", "show", "0000A1B2", "--json"})
                .output.find("\"faults\":[\"stall-writes\",\"reply-delay 20\"]"),
            std::string::npos);
  run({"board", "fault", "0000A1B2", "reply-delay", "0"});
  EXPECT_EQ(run({"board", "fault", "0000A1B2", "stall-writes", "off"}).output,
            "board 0000A1B2 faults: none\n");
  ASSERT_TRUE(write(*out, {0x18, 1}));

  // A partial key report set: only the report of the key that changed.
  EXPECT_EQ(run({"board", "fault", "0000A1B2", "partial-keys", "on"}).exitCode, 0);
  ASSERT_EQ(run({"board", "press", "0000A1B2", "40"}).exitCode, 0);
  EXPECT_EQ(next(*in), (Bytes{0x1A, 0x80, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(run({"board", "press", "0000A1B2", "3"}).exitCode, 0);
  EXPECT_EQ(next(*in), (Bytes{0x19, 0x04, 0, 0, 0, 0, 0, 0}));

  // Reports nobody asked for, of any length.
  auto sent = run({"board", "send", "0000A1B2", "1", "0302DEAD00000000"});
  EXPECT_EQ(sent.exitCode, 0);
  EXPECT_EQ(sent.output, "sent 8 bytes to interface 1 of 0000A1B2\n");
  EXPECT_EQ(next(*in), (Bytes{0x03, 0x02, 0xDE, 0xAD, 0, 0, 0, 0}));
  EXPECT_EQ(run({"board", "send", "0000A1B2", "1", std::string(18, '0')}).output,
            "sent 9 bytes to interface 1 of 0000A1B2\n");
  ASSERT_EQ(run({"board", "send", "0000A1B2", "1", "4200000000000000"}).exitCode, 0);
  // The 9 bytes were more than this reader's 8-byte reports: dropped.
  EXPECT_EQ(next(*in), (Bytes{0x42, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(BoardToolTest, APersonPlugsOddBoards) {
  auto lab = serve({"--no-boards"});
  // The special-mode interface first; the pin interface when asked.
  auto reversed = run({"board", "add", "0000A1B2", "--model", "3401", "--order", "special-first"});
  EXPECT_EQ(reversed.exitCode, 0);
  EXPECT_EQ(reversed.output,
            "added board 0000A1B2 (model 3401, variant 1, VID 1FD1, PID 03E8, special-mode "
            "interface first)\n"
            "its pin interface comes with: kestrix-lab board complete 0000A1B2\n");
  EXPECT_TRUE(pathOf(u"0000A1B2", 0).empty());
  EXPECT_FALSE(pathOf(u"0000A1B2", 1).empty());
  EXPECT_EQ(run({"board", "complete", "0000A1B2"}).output,
            "board 0000A1B2 now lists its pin interface too\n");
  EXPECT_FALSE(pathOf(u"0000A1B2", 0).empty());
  auto again = run({"board", "complete", "0000A1B2"});
  EXPECT_EQ(again.exitCode, 2);
  EXPECT_NE(again.output.find("holds no interface back"), std::string::npos) << again.output;

  // Special-mode reports of another length.
  auto odd = run({"board", "add", "0000C0DE", "--model", "3402", "--special-input", "16"});
  EXPECT_EQ(odd.exitCode, 0);
  EXPECT_EQ(odd.output, "added board 0000C0DE (model 3402, variant 1, VID 1FD1, PID 03E8, "
                        "special-mode reports 16 in, 8 out)\n");
  for (const auto& info : platform::enumerateHidInterfaces())
    if (info.serialNumber == u"0000C0DE" && info.interfaceNumber == 1) {
      EXPECT_EQ(info.inputReportLength, 16);
      EXPECT_EQ(info.outputReportLength, 8);
    }
}

TEST_F(BoardToolTest, MistakesExitTwoAndSayWhy) {
  auto lab = serve();
  struct Case {
    std::vector<std::string> arguments;
    const char* says;
  };
  const Case cases[] = {
      {{"board", "add", "00001001", "--model", "3401"}, "is plugged already"},
      {{"board", "add", "0000A1B2", "--model", "34"}, "--model is 4 hex digits"},
      {{"board", "add", "0000A1B2", "--model", "3401", "--variant", "300"},
       "--variant is a number"},
      {{"board", "add", "0000A1B2", "--model", "3401", "--vendor", "xyz"},
       "--vendor is 1 to 4 hex"},
      {{"board", "add", "123456789", "--model", "3401"}, "1 to 8 characters"},
      {{"board", "press", "00001001", "0"}, "KEY is a number from 1 to 128"},
      {{"board", "release", "00001001", "129"}, "KEY is a number from 1 to 128"},
      {{"board", "press", "nobody", "1"}, "no board \"nobody\" is plugged"},
      {{"board", "show", "nobody"}, "no board \"nobody\" is plugged"},
      {{"board", "add", "0000A1B2", "--model", "3401", "--order", "backwards"},
       "--order is pin-first or special-first"},
      {{"board", "add", "0000A1B2", "--model", "3401", "--special-input", "65"},
       "--special-input is a length of 1 to 64 bytes"},
      {{"board", "add", "0000A1B2", "--model", "3401", "--special-output", "0"},
       "--special-output is a length of 1 to 64 bytes"},
      {{"board", "complete", "00001001"}, "holds no interface back"},
      {{"board", "complete", "nobody"}, "no board \"nobody\" is plugged"},
      {{"board", "fault", "00001001", "melt", "on"}, "FAULT is stall-writes"},
      {{"board", "fault", "00001001", "stall-writes", "yes"}, "stall-writes is on or off"},
      {{"board", "fault", "00001001", "reply-delay", "-1"}, "reply-delay is milliseconds"},
      {{"board", "fault", "nobody", "iic-error", "on"}, "no board \"nobody\" is plugged"},
      {{"board", "send", "00001001", "1", "030"}, "BYTES are hex digits"},
      {{"board", "send", "00001001", "1", "03XY"}, "BYTES are hex digits"},
      {{"board", "send", "00001001", "2", "03"}, "has interfaces 0 to 1"},
      {{"board", "send", "nobody", "1", "03"}, "no board \"nobody\" is plugged"},
      {{"board", "send", "00001001", "1"}, "usage:"},
      {{"board", "remove", "nobody"}, "no board \"nobody\" is plugged"},
      // Usage the tool refuses before it asks the lab.
      {{"board", "add", "0000A1B2"}, "usage:"},
      {{"board", "add", "0000A1B2", "--model"}, "usage:"},
      {{"board", "add", "0000A1B2", "--model", "3401", "--colour", "red"}, "usage:"},
      {{"board", "press", "00001001"}, "usage:"},
  };
  for (const Case& c : cases) {
    auto result = run(c.arguments);
    EXPECT_EQ(result.exitCode, 2) << result.output;
    EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
  }
  EXPECT_EQ(run({"board", "list"}).output.find("0000A1B2"), std::string::npos);
}

TEST_F(BoardToolTest, WorldFileBoardsReplaceTheDefaultOnes) {
  std::string world = environment.root() + "/world.ini";
  testsupport::writeFile(world, "[board 0000C0DE]\nmodel = 3402\nvariant = 2\n");
  auto lab = serve({"--world", world});
  EXPECT_EQ(run({"board", "list"}).output,
            "0000C0DE (model 3402, variant 2, VID 1FD1, PID 03E8)\n");
  EXPECT_EQ(platform::enumerateHidInterfaces().size(), 2u);
}

TEST_F(BoardToolTest, HelpTellsTheBoardForms) {
  auto help = run({"help", "board"});
  EXPECT_EQ(help.exitCode, 0);
  for (const char* form : {"board add SERIAL --model MODEL", "board remove SERIAL",
                           "board press SERIAL KEY", "board release SERIAL KEY",
                           "board show SERIAL [--json]", "board list [--json]",
                           "board complete SERIAL", "board fault SERIAL FAULT VALUE",
                           "board send SERIAL INTERFACE BYTES", "[--order ORDER]",
                           "[--special-input LENGTH]"})
    EXPECT_NE(help.output.find(form), std::string::npos) << form;
  auto without = run({"board", "list"});
  EXPECT_EQ(without.exitCode, 1);
}

}  // namespace
}  // namespace labtest
