// How qlfvxET.exe starts and ends: its one argument, the launching process
// and the pipe thread.

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

Child StartSleeper() { return StartChild(L"\"" + BinPath(L"sleeper.exe") + L"\" 120000"); }

TEST(Lifetime, RefusedArgumentsEndAtOnceWithZeroAndNoPipe) {
  const std::wstring sleeperLessArguments[] = {L"", L"1 2", L"0", L"abc", L"-0", L"\"\""};
  for (const std::wstring& arguments : sleeperLessArguments) {
    SCOPED_TRACE(WideToUtf8(arguments));
    Child server = StartElevatedTasks(arguments, true);
    EXPECT_EQ(WaitExit(server, 10000), 0u);
    EXPECT_EQ(ReadAllOutput(server), "");
    EXPECT_FALSE(WaitForPipe(0));
  }
}

TEST(Lifetime, ProcessThatDoesNotExistEndsAtOnce) {
  Child sleeper = StartSleeper();
  const DWORD gone = sleeper.pid;
  KillChild(sleeper);
  Child server = StartElevatedTasks(std::to_wstring(gone));
  EXPECT_EQ(WaitExit(server, 10000), 0u);
}

TEST(Lifetime, DigitsBeforeJunkNameTheLauncherAndItsEndEndsTheWait) {
  Child sleeper = StartSleeper();
  // Leading blanks are skipped and the digits up to the first other
  // character are taken, as _wtol does.
  Child server = StartElevatedTasks(L"\"  " + std::to_wstring(sleeper.pid) + L"xyz\"");
  ASSERT_TRUE(WaitForPipe(10000)) << "it did not wait on the named process";
  EXPECT_FALSE(WaitExit(server, 200));
  KillChild(sleeper);  // the launcher ends while ElevatedTasks waits for a client
  EXPECT_EQ(WaitExit(server, 10000), 0u);
}

TEST(Lifetime, QuitEndsTheProgramWhileTheLauncherRuns) {
  Child sleeper = StartSleeper();
  Child server = StartElevatedTasks(std::to_wstring(sleeper.pid));
  fw::unique_hfile pipe = ConnectPipe();
  ASSERT_TRUE(pipe);
  RoundTrip(pipe.get(), Quit);
  EXPECT_EQ(WaitExit(server, 10000), 0u);
  EXPECT_FALSE(WaitExit(sleeper, 0));
  KillChild(sleeper);
}

}  // namespace
