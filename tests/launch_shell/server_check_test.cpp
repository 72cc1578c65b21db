#include <gtest/gtest.h>

#include "library/launch_shell/elevated_tasks_client_check.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

using launch_shell::detail::SameImagePath;
using namespace vxtest;

static std::string RunClient(const std::wstring& arguments) {
  Running client{
      StartChild(L"\"" + BinPath(L"qlfvxETctl.exe") + L"\" --attach " + arguments, true)};
  return OutputAndExit(client);
}

TEST(ServerCheck, ImagesCompareAsFullPathsWithoutRegardToCase) {
  const wchar_t* expected = L"C:\\Program Files\\Vx\\qlfvxET.exe";
  EXPECT_TRUE(SameImagePath(expected, L"c:\\program files\\VX\\QLFVXET.EXE"));
  EXPECT_TRUE(SameImagePath(expected, L"C:/Program Files/Vx/tools/../qlfvxET.exe"));
  for (const wchar_t* other :
       {L"C:\\Program Files\\Vx\\qlfvxET.exe.bak", L"C:\\Vx\\qlfvxET.exe", L""})
    EXPECT_FALSE(SameImagePath(expected, other)) << other;
  EXPECT_FALSE(SameImagePath(L"", L""));
}

TEST(ServerCheck, ASquatterIsNamedAndReceivesNotOneByte) {
  TempFolder scratch(L"squat");
  const std::wstring squatterImage = BinPath(L"pipe_squatter.exe");
  Running squatter{StartChild(L"\"" + squatterImage + L"\" \"" + (scratch / L"got") + L"\"")};
  ASSERT_TRUE(WaitForPipe(10000));

  fw::unique_hfile pipe;
  const PipeClientResult found = ConnectElevatedTasks(10000, pipe);
  EXPECT_EQ(found.status, PipeClientStatus::UnexpectedServer);
  EXPECT_EQ(found.serverProcessId, squatter.pid);
  EXPECT_FALSE(pipe);
  EXPECT_EQ(SendOneElevatedCommand(MakeMessage(Quit), 10000, 1000).status,
            PipeClientStatus::UnexpectedServer);
  const std::string output = RunClient(L"debugdir-create");
  EXPECT_NE(output.find("qlfvxETctl: the ElevatedTasks pipe is served by process " +
                        std::to_string(squatter.pid) + " \"" + WideToUtf8(found.serverImage) +
                        "\", not by \"" + WideToUtf8(BinPath(L"qlfvxET.exe")) +
                        "\"; nothing was sent\nexit 1"),
            std::string::npos)
      << output;
  EXPECT_TRUE(SameImagePath(squatterImage, found.serverImage)) << output;
  EXPECT_EQ(ReadFileBytes(scratch / L"got"), "");
  // Named as the expected server, it gets the message but never answers.
  EXPECT_TRUE(RunClient(L"--server-image \"" + squatterImage + L"\" --ack-timeout-ms 300 quit")
                  .ends_with("exit 1"));
}

// Given another image, qlfvxETctl refuses the real ElevatedTasks like any squatter.
TEST(ServerCheck, QlfvxETctlHoldsToTheServerImageItIsGiven) {
  Running server{StartElevatedTasks(std::to_wstring(::GetCurrentProcessId()))};
  ASSERT_TRUE(WaitForPipe(10000));
  const std::wstring other = BinFolder() + L"\\hardened\\qlfvxET.exe";
  const std::string output = RunClient(L"--server-image \"" + other + L"\" quit");
  EXPECT_NE(output.find("served by process " + std::to_string(server.pid) + " \"" +
                        WideToUtf8(BinPath(L"qlfvxET.exe")) + "\", not by \"" + WideToUtf8(other) +
                        "\"; nothing was sent\nexit 1"),
            std::string::npos)
      << output;
  EXPECT_EQ(WaitExit(server, 10000), 0u);
}
