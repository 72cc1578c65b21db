// The client's check of the program behind the pipe: a squatter on the name
// is named and left without a byte, by the library and by qlfvxETctl alike.

#include <gtest/gtest.h>

#include "library/launch_shell/elevated_tasks_client_check.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

using launch_shell::detail::SameImagePath;

namespace {

struct Running : vxtest::Child {  // ended on every path out of the test
  ~Running() { vxtest::KillChild(*this); }
};

std::string RunClient(const std::wstring& arguments, std::optional<DWORD>& exitCode) {
  Running client{vxtest::StartChild(
      L"\"" + vxtest::BinPath(L"qlfvxETctl.exe") + L"\" --attach " + arguments, true)};
  std::string output = vxtest::ReadAllOutput(client);
  exitCode = vxtest::WaitExit(client, 60000);
  return output;
}

}  // namespace

TEST(ServerCheck, ImagesCompareAsFullPathsWithoutRegardToCase) {
  const wchar_t* kImage = L"C:\\Program Files\\Vx\\qlfvxET.exe";
  const struct {
    const wchar_t* actual;
    bool same;
  } cases[] = {
      {L"c:\\program files\\VX\\QLFVXET.EXE", true},
      {L"C:/Program Files/Vx/tools/../qlfvxET.exe", true},
      {L"C:\\Program Files\\Vx\\.\\qlfvxET.exe", true},
      {L"C:\\Program Files\\Vx\\qlfvxET.exe.bak", false},
      {L"C:\\Program Files\\Vx2\\qlfvxET.exe", false},
      {L"D:\\Program Files\\Vx\\qlfvxET.exe", false},
      {L"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(SameImagePath(kImage, c.actual), c.same) << c.actual;
  EXPECT_FALSE(SameImagePath(L"", L""));
  EXPECT_TRUE(SameImagePath(vxtest::BinPath(L"QLFVXET.EXE"), vxtest::BinPath(L"qlfvxET.exe")));
}

TEST(ServerCheck, ASquatterIsNamedAndReceivesNotOneByte) {
  vxtest::TempFolder scratch(L"squat");
  const std::wstring squatterImage = vxtest::BinPath(L"pipe_squatter.exe");
  Running squatter{
      vxtest::StartChild(L"\"" + squatterImage + L"\" \"" + (scratch / L"got") + L"\"")};
  ASSERT_TRUE(vxtest::WaitForPipe(10000));

  fw::unique_hfile pipe;
  const PipeClientResult found = ConnectElevatedTasks(10000, pipe);
  EXPECT_EQ(found.status, PipeClientStatus::UnexpectedServer);
  EXPECT_EQ(found.serverProcessId, squatter.pid);
  EXPECT_TRUE(SameImagePath(squatterImage, found.serverImage))
      << vxtest::WideToUtf8(found.serverImage);
  EXPECT_FALSE(pipe);
  EXPECT_EQ(SendOneElevatedCommand(vxtest::MakeMessage(Quit), 10000, 1000).status,
            PipeClientStatus::UnexpectedServer);

  std::optional<DWORD> exitCode;
  const std::string output = RunClient(L"debugdir-create", exitCode);
  EXPECT_EQ(exitCode, 1u);
  EXPECT_NE(output.find("qlfvxETctl: the ElevatedTasks pipe is served by process " +
                        std::to_string(squatter.pid) + " \""),
            std::string::npos)
      << output;
  EXPECT_NE(
      output.find("pipe_squatter.exe\", not by \"" +
                  vxtest::WideToUtf8(vxtest::BinPath(L"qlfvxET.exe")) + "\"; nothing was sent"),
      std::string::npos)
      << output;

  vxtest::KillChild(squatter);
  EXPECT_TRUE(vxtest::PathExists(scratch / L"got"));
  EXPECT_EQ(vxtest::ReadFileBytes(scratch / L"got"), "");
}

// The option names another image; the real ElevatedTasks is then refused
// like any squatter, and ends as a client that left without a byte.
TEST(ServerCheck, QlfvxETctlHoldsToTheServerImageItIsGiven) {
  Running server{vxtest::StartElevatedTasksForThisProcess()};
  const std::wstring other = vxtest::BinFolder() + L"\\hardened\\qlfvxET.exe";
  std::optional<DWORD> exitCode;
  const std::string output = RunClient(L"--server-image \"" + other + L"\" quit", exitCode);
  EXPECT_EQ(exitCode, 1u);
  EXPECT_NE(output.find("served by process " + std::to_string(server.pid) + " \""),
            std::string::npos)
      << output;
  EXPECT_NE(output.find("\", not by \"" + vxtest::WideToUtf8(other) + "\"; nothing was sent"),
            std::string::npos)
      << output;
  EXPECT_EQ(vxtest::WaitExit(server, 10000), 0u);
}
