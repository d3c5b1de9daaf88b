// Transponder functions performed as FSUIPC writes and pauses.
#include "bridge_fixture.h"

namespace bridgetest {
namespace {

using Bytes = std::vector<uint8_t>;

struct Write {
  uint32_t offset;
  Bytes bytes;
  bool operator==(const Write&) const = default;
};

void PrintTo(const Write& write, std::ostream* out) {
  *out << std::hex << write.offset << ":";
  for (uint8_t b : write.bytes) *out << " " << int(b);
}

std::vector<Write> plain(const std::vector<lab::FsuipcWrite>& writes) {
  std::vector<Write> result;
  for (const auto& w : writes) result.push_back({w.offset, w.bytes});
  return result;
}

class TransponderMappingTest : public BridgeFixture {
 protected:
  // One module, current, holding the given functions.
  void useFunctions(const std::string& functions) {
    writeModules("<module name=\"M\">" + functions + "</module>");
    remember("M");
    ASSERT_TRUE(config.loadConfiguration());
    ASSERT_TRUE(config.currentModule());
  }
  std::vector<Write> run(const std::string& function) { return plain(writesOf(function)); }
};

TEST_F(TransponderMappingTest, FunctionNamesMatchInAnyLetterCase) {
  useFunctions(R"(<function name="tara"><fsuipc offset="66C0" size="1" data="1"/></function>
                  <function name="Tara"><fsuipc offset="66C0" size="1" data="2"/></function>
                  <function name="TA"><fsuipc offset="66C0" size="1" data="3"/></function>)");
  EXPECT_EQ(run("TARA"), (std::vector<Write>{{0x66C0, {1}}, {0x66C0, {2}}}));
  EXPECT_EQ(run("TA"), (std::vector<Write>{{0x66C0, {3}}}));
  EXPECT_TRUE(screen.texts.empty());
}

TEST_F(TransponderMappingTest, TheEmptyNameMatchesFunctionsWithoutAName) {
  useFunctions(R"(<function><fsuipc offset="66C0" size="1" data="1"/></function>
                  <function name=""><fsuipc offset="66C1" size="1" data="2"/></function>
                  <function name="OFF"><fsuipc offset="66C2" size="1" data="3"/></function>)");
  EXPECT_EQ(run(""), (std::vector<Write>{{0x66C0, {1}}, {0x66C1, {2}}}));
}

TEST_F(TransponderMappingTest, StepsWriteTheLowBytesOfTheDataLeastSignificantFirst) {
  struct Case {
    const char* step;
    std::vector<Write> writes;
  } cases[] = {
      {R"(offset="0x3200" size="2" data="-1")", {{0x3200, {0xFF, 0xFF}}}},
      {R"(offset="3200" size="2" data="-1")", {{0x3200, {0xFF, 0xFF}}}},
      {R"(offset="0BC8" size="4" data="305419896")", {{0x0BC8, {0x78, 0x56, 0x34, 0x12}}}},
      {R"(offset="0354" size="2" data="4660")", {{0x0354, {0x34, 0x12}}}},
      {R"(offset="66C0" size="1" data="258")", {{0x66C0, {0x02}}}},
      {R"(offset="66C0" size="3" data="-2")", {{0x66C0, {0xFE, 0xFF, 0xFF}}}},
      {R"(offset="66c0" size=" +1" data=" 7")", {{0x66C0, {7}}}},
      // Skipped without a word: offset 0, size 0, a size that is no number.
      {R"(offset="0" size="2" data="1")", {}},
      {R"(offset="zz" size="2" data="1")", {}},
      {R"(offset="66C0" size="0" data="1")", {}},
      {R"(offset="66C0" size="two" data="1")", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.step);
    useFunctions(std::string("<function name=\"ON\"><fsuipc ") + c.step + "/></function>");
    EXPECT_EQ(run("ON"), c.writes);
  }
  EXPECT_TRUE(screen.texts.empty());
}

TEST_F(TransponderMappingTest, AStepLackingAnAttributeIsSkipped) {
  useFunctions(R"(<function name="ON">
                    <fsuipc size="1" data="1"/>
                    <fsuipc offset="66C0" data="1"/>
                    <fsuipc offset="66C0" size="1"/>
                    <fsuipc offset="9999" size="99"/>
                    <fsuipc offset="66C1" size="1" data="5"/>
                  </function>)");
  EXPECT_EQ(run("ON"), (std::vector<Write>{{0x66C1, {5}}}));
}

TEST_F(TransponderMappingTest, SizesBeyondTheDataValueWriteNothingAndSaySo) {
  useFunctions(R"(<function name="ON">
                    <fsuipc offset="66C0" size="5" data="1"/>
                    <fsuipc offset="66C0" size="-1" data="1"/>
                    <fsuipc offset="66C0" size="4294967295" data="1"/>
                    <fsuipc offset="66C0" size="4294967297" data="1"/>
                    <fsuipc offset="66C0" size="4294967296" data="1"/>
                    <fsuipc offset="66C1" size="1" data="5"/>
                  </function>)");
  EXPECT_EQ(run("ON"), (std::vector<Write>{{0x66C1, {5}}}));
  ASSERT_EQ(screen.texts.size(), 5u);
  EXPECT_EQ(screen.texts[0],
            (ShownText{"Squarix: a step of offset 66C0 has size 5; only sizes 1 to 4 can be written", 5.0f}));
}

TEST_F(TransponderMappingTest, StepsReachingPastTheLastOffsetWriteNothingAndSaySo) {
  useFunctions(R"(<function name="ON">
                    <fsuipc offset="FFFF" size="2" data="1"/>
                    <fsuipc offset="0xFFFFFFF0" size="1" data="1"/>
                    <fsuipc offset="100000000" size="1" data="1"/>
                    <fsuipc offset="10000" size="1" data="1"/>
                    <fsuipc offset="FFFF" size="1" data="7"/>
                  </function>)");
  EXPECT_EQ(run("ON"), (std::vector<Write>{{0xFFFF, {7}}}));
  ASSERT_EQ(screen.texts.size(), 4u);
  EXPECT_EQ(screen.texts[0],
            (ShownText{"Squarix: a step of offset FFFF and size 2 reaches past the last FSUIPC offset, FFFF",
                       5.0f}));
  EXPECT_EQ(screen.texts[2].text,
            "Squarix: a step of offset 100000000 and size 1 reaches past the last FSUIPC offset, FFFF");
}

TEST_F(TransponderMappingTest, PausesFallBetweenTheStepsAroundThem) {
  useFunctions(R"(<function name="IDENTPRESSED">
                    <fsuipc offset="66C3" size="1" data="1"/>
                    <fsuipc offset="9999" size="99" data="500"/>
                    <fsuipc offset="66C3" size="1" data="0"/>
                    <fsuipc offset="9999" size="99" data="-1"/>
                    <fsuipc offset="66C3" size="1" data="2"/>
                  </function>)");
  auto writes = writesOf("IDENTPRESSED");
  ASSERT_EQ(plain(writes), (std::vector<Write>{{0x66C3, {1}}, {0x66C3, {0}}, {0x66C3, {2}}}));
  EXPECT_GE(writes[1].at - writes[0].at, std::chrono::milliseconds(500));
  // A negative pause is none; a real pause would hang the bridge for good.
  EXPECT_LT(writes[2].at - writes[1].at, std::chrono::seconds(10));
  EXPECT_EQ(writes[0].exchange + 1, writes[1].exchange) << "every write is its own exchange";
}

TEST_F(TransponderMappingTest, NothingHappensWithoutAModuleOrAMatchingStep) {
  writeModules(R"(<module name="M"><function name="ON"><fsuipc offset="66C0" size="1" data="1"/></function>
                  <function name="OFF"/></module>)");
  server.close();  // any attempt to reach FSUIPC would show an error
  ASSERT_TRUE(config.loadConfiguration());
  mapping.runFunction("ON");  // no module chosen yet
  remember("M");
  ASSERT_TRUE(config.loadConfiguration());
  mapping.runFunction("OFF");  // no steps
  mapping.runFunction("TA");   // no such function
  EXPECT_TRUE(screen.texts.empty());
  EXPECT_FALSE(link.isOpen());
}

TEST_F(TransponderMappingTest, WithoutFsuipcTheReasonIsShownAndTheNextEventTriesAgain) {
  useFunctions(R"(<function name="ON"><fsuipc offset="66C0" size="1" data="1"/></function>)");
  server.close();
  EXPECT_TRUE(run("ON").empty());
  EXPECT_EQ(screen.texts, (std::vector<ShownText>{{"Cannot link to FSUIPC or WideClient", 5.0f}}));

  ASSERT_TRUE(server.open());
  EXPECT_EQ(run("ON"), (std::vector<Write>{{0x66C0, {1}}}));
  EXPECT_EQ(screen.texts.size(), 1u);
}

TEST_F(TransponderMappingTest, AFsuipcThatRestartedGetsTheWriteAtOnce) {
  useFunctions(R"(<function name="ON"><fsuipc offset="66C0" size="1" data="1"/></function>)");
  EXPECT_EQ(run("ON"), (std::vector<Write>{{0x66C0, {1}}}));
  ASSERT_TRUE(link.isOpen());
  // FSUIPC goes and comes back with a window of its own.
  server.close();
  ASSERT_TRUE(server.open());
  server.clearWrites();
  EXPECT_EQ(run("ON"), (std::vector<Write>{{0x66C0, {1}}}));
  EXPECT_TRUE(screen.texts.empty());
  EXPECT_TRUE(link.isOpen());
}

TEST_F(TransponderMappingTest, AFailedStepIsReportedAndTheRestStillRun) {
  useFunctions(R"(<function name="ON"><fsuipc offset="66C0" size="1" data="1"/>
                                      <fsuipc offset="66C1" size="1" data="2"/></function>)");
  ASSERT_TRUE(link.open());
  server.setAnswerMode(lab::FsuipcServer::AnswerMode::Bad);
  run("ON");
  EXPECT_EQ(screen.texts,
            (std::vector<ShownText>{{"Error communicating with FSUIPC: IPC request contains bad data", 5.0f},
                                    {"Error communicating with FSUIPC: IPC request contains bad data", 5.0f}}));
  EXPECT_TRUE(link.isOpen());
}

TEST_F(TransponderMappingTest, AServerThatHangsClosesTheLinkAndTheNextEventReopensIt) {
  useFunctions(R"(<function name="ON"><fsuipc offset="66C0" size="1" data="1"/>
                                      <fsuipc offset="66C1" size="1" data="2"/></function>)");
  ASSERT_TRUE(link.open());
  server.setAnswerMode(lab::FsuipcServer::AnswerMode::Silent);
  run("ON");
  EXPECT_EQ(screen.texts,
            (std::vector<ShownText>{{"Error communicating with FSUIPC: IPC timed out all retries", 5.0f},
                                    {"Error communicating with FSUIPC: Call cannot execute: Link not Open", 5.0f}}));
  EXPECT_FALSE(link.isOpen());

  server.setAnswerMode(lab::FsuipcServer::AnswerMode::Normal);
  screen.texts.clear();
  EXPECT_EQ(run("ON"), (std::vector<Write>{{0x66C0, {1}}, {0x66C1, {2}}}));
  EXPECT_TRUE(screen.texts.empty());
}

}  // namespace
}  // namespace bridgetest
