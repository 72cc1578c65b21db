// qlfvxETctl's command line and the texts of its report, fed directly.

#include <gtest/gtest.h>

#include "elevated_tasks/elevated_tasks.h"
#include "tools/etctl_arguments.h"
#include "tools/etctl_observe.h"
#include "tests/support/test_support.h"

using namespace etctl;

namespace {

ParseResult Parse(std::initializer_list<std::wstring> words) {
  return ParseArguments(std::vector<std::wstring>(words));
}

}  // namespace

TEST(EtctlArguments, EveryCommandWordInOrder) {
  const ParseResult parsed =
      Parse({L"xperf-start", L"xperf-stop", L"debugdir-create", L"debugdir-delete", L"debugdir-set",
             L"C:\\a b", L"lnkagt-create", L"lnkagt-delete", L"lnkagt-set", L"", L"service-restart",
             L"code", L"42", L"code", L"4294967295", L"quit"});
  ASSERT_TRUE(parsed.ok) << vxtest::WideToUtf8(parsed.error);
  const struct {
    uint32_t command;
    const wchar_t* path;
    const wchar_t* word;
  } expected[] = {
      {0, L"", L"xperf-start"},
      {1, L"", L"xperf-stop"},
      {4, L"", L"debugdir-create"},
      {5, L"", L"debugdir-delete"},
      {6, L"C:\\a b", L"debugdir-set"},
      {7, L"", L"lnkagt-create"},
      {8, L"", L"lnkagt-delete"},
      {9, L"", L"lnkagt-set"},
      {10, L"", L"service-restart"},
      {42, L"", L"code 42"},
      {0xFFFFFFFF, L"", L"code 4294967295"},
      {3, L"", L"quit"},
  };
  const std::vector<Step>& steps = parsed.options.steps;
  ASSERT_EQ(steps.size(), std::size(expected));
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(steps[i].command, expected[i].command) << i;
    EXPECT_EQ(steps[i].path, expected[i].path) << i;
    EXPECT_EQ(steps[i].word, expected[i].word) << i;
  }
  EXPECT_FALSE(parsed.options.attach);
  EXPECT_EQ(parsed.options.connectTimeoutMs, kDefaultConnectTimeoutMs);
  EXPECT_EQ(parsed.options.ackTimeoutMs, kDefaultAckTimeoutMs);
}

TEST(EtctlArguments, Options) {
  const ParseResult parsed = Parse({L"--attach", L"--connect-timeout-ms", L"0", L"--ack-timeout-ms",
                                    L"1500", L"debugdir-delete"});
  ASSERT_TRUE(parsed.ok);
  EXPECT_TRUE(parsed.options.attach);
  EXPECT_EQ(parsed.options.connectTimeoutMs, 0u);
  EXPECT_EQ(parsed.options.ackTimeoutMs, 1500u);

  for (const wchar_t* help : {L"--help", L"-h", L"/?"}) {
    const ParseResult asked = Parse({help});
    EXPECT_TRUE(asked.ok);
    EXPECT_TRUE(asked.options.help);
  }
}

TEST(EtctlArguments, PathLengthLimitIsTheMessagesField) {
  EXPECT_TRUE(Parse({L"debugdir-set", std::wstring(259, L'p')}).ok);
  const ParseResult tooLong = Parse({L"debugdir-set", std::wstring(260, L'p')});
  EXPECT_FALSE(tooLong.ok);
  EXPECT_EQ(tooLong.error, L"debugdir-set: the path has 260 units; the message holds at most 259");
  EXPECT_FALSE(Parse({L"quit", L"lnkagt-set", std::wstring(5000, L'p')}).ok);
}

TEST(EtctlArguments, WrongUsageIsRefusedWithAReason) {
  const struct {
    std::vector<std::wstring> words;
    const wchar_t* error;
  } cases[] = {
      {{}, L"no command given"},
      {{L"--attach"}, L"no command given"},
      {{L"bogus"}, L"unknown command or option: bogus"},
      {{L"Quit"}, L"unknown command or option: Quit"},
      {{L"debugdir-set"}, L"debugdir-set needs a PATH"},
      {{L"quit", L"lnkagt-set"}, L"lnkagt-set needs a PATH"},
      {{L"code"}, L"code needs a command number from 0 to 4294967295"},
      {{L"code", L"-1"}, L"code needs a command number from 0 to 4294967295"},
      {{L"code", L"4294967296"}, L"code needs a command number from 0 to 4294967295"},
      {{L"code", L"12x"}, L"code needs a command number from 0 to 4294967295"},
      {{L"--ack-timeout-ms"}, L"--ack-timeout-ms needs a number of milliseconds below 4294967295"},
      {{L"--connect-timeout-ms", L"4294967295", L"quit"},
       L"--connect-timeout-ms needs a number of milliseconds below 4294967295"},
      {{L"quit", L"debugdir-create"},
       L"debugdir-create follows quit, after which ElevatedTasks has ended"},
      {{L"code", L"3", L"code", L"4"}, L"code follows quit, after which ElevatedTasks has ended"},
  };
  for (const auto& c : cases) {
    const ParseResult parsed = ParseArguments(c.words);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, c.error);
  }
}

TEST(EtctlArguments, CommandWordsAndUsageAgree) {
  const std::wstring usage = UsageText();
  for (uint32_t code = 0; code <= kLastElevatedCommand; ++code) {
    const std::wstring word = CommandWord(code);
    if (code == Done) {
      EXPECT_EQ(word, L"");
      continue;
    }
    ASSERT_FALSE(word.empty()) << code;
    EXPECT_NE(usage.find(L"  " + word + L" "), std::wstring::npos) << code;
    const ParseResult parsed =
        (code == DebugDirSet || code == LNKAGTDebugDirSet) ? Parse({word, L"x"}) : Parse({word});
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.options.steps.at(0).command, code);
  }
  EXPECT_EQ(CommandWord(11), L"");
}

TEST(EtctlReport, FolderValueTexts) {
  EXPECT_EQ(DescribeFolderValue(false, false, REG_NONE, L"", false), L"(no key)");
  EXPECT_EQ(DescribeFolderValue(true, false, REG_NONE, L"", false), L"(no value)");
  EXPECT_EQ(DescribeFolderValue(true, true, REG_SZ, L"", false), L"\"\" [names no folder]");
  EXPECT_EQ(DescribeFolderValue(true, true, REG_SZ, L"C:\\x", true), L"\"C:\\x\" [folder exists]");
  EXPECT_EQ(DescribeFolderValue(true, true, REG_SZ, L"C:\\y", false),
            L"\"C:\\y\" [folder missing]");
  EXPECT_EQ(DescribeFolderValue(true, true, REG_DWORD, L"", false), L"(not a text: type 4)");
}

TEST(EtctlReport, ChangesAndUnchangedItems) {
  Observation before;
  before.items = {{L"DebugDir", L"(no value)"}, {L"trace file", L"t (missing)"}};
  Observation after;
  after.items = {{L"DebugDir", L"\"C:\\x\" [folder exists]"}, {L"trace file", L"t (missing)"}};
  const std::vector<std::wstring> lines = DescribeChange(before, after);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], L"  DebugDir: (no value) -> \"C:\\x\" [folder exists]");
  EXPECT_EQ(lines[1], L"  trace file: t (missing) (unchanged)");
  EXPECT_TRUE(DescribeChange(Observation{}, Observation{}).empty());
  EXPECT_EQ(ServiceStateName(SERVICE_RUNNING), L"running");
  EXPECT_EQ(ServiceStateName(SERVICE_STOP_PENDING), L"stop pending");
  EXPECT_EQ(ServiceStateName(99), L"state 99");
}
