#include <gtest/gtest.h>

#include "tools/etctl_arguments.h"
#include "tools/etctl_observe.h"

using namespace etctl;

TEST(EtctlArguments, OptionsWrongUsageAndReportTextsNotSeenInARealRun) {
  const ParseResult parsed =
      ParseArguments({L"--ack-timeout-ms", L"1500", L"debugdir-set", std::wstring(259, L'p')});
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.options.ackTimeoutMs, 1500u);
  EXPECT_EQ(parsed.options.steps.at(0).path, std::wstring(259, L'p'));
  for (const wchar_t* help : {L"--help", L"-h", L"/?"})
    EXPECT_TRUE(ParseArguments({help}).options.help);
  EXPECT_EQ(DescribeFolderValue(true, true, REG_SZ, L"", false), L"\"\" [names no folder]");
  EXPECT_EQ(ServiceStateName(99), L"state 99");
  const std::wstring badCode = L"code needs a command number from 0 to 4294967295";
  const std::wstring badWait = L" needs a number of milliseconds below 4294967295";
  const std::pair<std::vector<std::wstring>, std::wstring> cases[] = {
      {{L"quit", L"lnkagt-set"}, L"lnkagt-set needs a PATH"},
      {{L"debugdir-set", std::wstring(260, L'p')},
       L"debugdir-set: the path has 260 units; the message holds at most 259"},
      {{L"code"}, badCode},
      {{L"code", L"4294967296"}, badCode},
      {{L"code", L"12x"}, badCode},
      {{L"--ack-timeout-ms"}, L"--ack-timeout-ms" + badWait},
      {{L"--connect-timeout-ms", L"4294967295", L"quit"}, L"--connect-timeout-ms" + badWait},
      {{L"quit", L"debugdir-create"},
       L"debugdir-create follows quit, after which ElevatedTasks has ended"},
      {{L"code", L"3", L"code", L"4"}, L"code follows quit, after which ElevatedTasks has ended"},
  };
  for (const auto& [words, error] : cases) EXPECT_EQ(ParseArguments(words).error, error);
}
