#include <gtest/gtest.h>

#include "library/launch_shell/elevated_tasks_client_check.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

using namespace launch_shell::detail;
using namespace vxtest;

static std::string RunClient(const std::wstring& arguments) {
  Running client{StartChild(L"\"" + BinPath(L"qlfvxETctl.exe") + L"\" " + arguments, true)};
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
  // Wine makes 8.3 names too: the short form of a real path matches its long form.
  TempFolder folder(L"a folder with a long name");
  wchar_t shortName[MAX_PATH] = {};
  const DWORD units = ::GetShortPathNameW(folder.path().c_str(), shortName, MAX_PATH);
  ASSERT_NE(std::wstring(shortName, units), folder.path());
  EXPECT_TRUE(SameImagePath(folder.path(), shortName)) << WideToUtf8(shortName);
}

// Trusted only when every fact holds; else the first that fails decides.
TEST(ServerCheck, AnAttachedServerMustRunTheImageElevatedAndStillRun) {
  using enum PipeClientStatus;
  constexpr PipeClientStatus E = ServerEnded, U = UnexpectedServer, N = UnelevatedServer;
  // Indexed by alive, image matches, elevation known, elevated as bits 3 to 0.
  const PipeClientStatus expected[16] = {E, E, E, E, E, E, E, E, U, U, U, U, N, N, N, Ok};
  for (int bits = 0; bits < 16; ++bits)
    EXPECT_EQ(JudgeAttachedServer({.imageMatches = (bits & 4) != 0,
                                   .elevationKnown = (bits & 2) != 0,
                                   .elevated = (bits & 1) != 0,
                                   .alive = (bits & 8) != 0}),
              expected[bits])
        << bits;
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
  // qlfvxETctl holds to the image it is given: another is refused, the squatter's is served.
  const std::wstring other = BinFolder() + L"\\hardened\\qlfvxET.exe";
  const std::string output =
      RunClient(L"--attach --server-image \"" + other + L"\" debugdir-create");
  EXPECT_NE(output.find("qlfvxETctl: the ElevatedTasks pipe is served by process " +
                        std::to_string(squatter.pid) + " \"" + WideToUtf8(found.serverImage) +
                        "\", not by \"" + WideToUtf8(other) + "\"; nothing was sent\nexit 1"),
            std::string::npos)
      << output;
  EXPECT_TRUE(SameImagePath(squatterImage, found.serverImage)) << output;
  EXPECT_EQ(ReadFileBytes(scratch / L"got"), "");
  // Named as the expected server, it gets the message but never answers.
  EXPECT_TRUE(
      RunClient(L"--attach --server-image \"" + squatterImage + L"\" --ack-timeout-ms 300 quit")
          .ends_with("exit 1"));
  EXPECT_TRUE(Eventually([&] { return ReadFileBytes(scratch / L"got").size() == 524; }));
}

// A process starts the genuine qlfvxET.exe, suspends it and serves its pipe end:
// the pipe's server process is the genuine image, but not the one launched.
TEST(ServerCheck, ASquatterBehindTheGenuineImageGetsNothingFromALaunchingClient) {
  TempFolder scratch(L"genuine");
  Running squatter{StartChild(L"\"" + BinPath(L"pipe_squatter.exe") + L"\" \"" +
                              (scratch / L"got") + L"\" behind")};
  ASSERT_TRUE(Eventually([&] { return PathExists(scratch / L"got"); }));
  Running genuine;
  for (const PROCESSENTRY32W& entry : FindProcesses(L"qlfvxET.exe"))
    if (entry.th32ParentProcessID == squatter.pid) genuine.pid = entry.th32ProcessID;
  genuine.process.reset(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, genuine.pid));

  Running launched;
  ASSERT_EQ(LaunchElevatedTasksProcess(std::to_wstring(::GetCurrentProcessId()), launched.process),
            0u);
  fw::unique_hfile pipe;
  const PipeClientResult refused =
      ConnectLaunchedElevatedTasks(launched.process.get(), 10000, pipe);
  EXPECT_EQ(refused.status, PipeClientStatus::UnexpectedServer);
  EXPECT_EQ(refused.serverProcessId, genuine.pid);
  EXPECT_FALSE(pipe) << "a refused server keeps no connection";
  KillChild(launched);
  // It listens again before the next launched server does, so the next client meets it.
  ASSERT_TRUE(Eventually([] { return ::WaitNamedPipeW(kPipeName, 1) != FALSE; }));

  const std::string output = RunClient(L"debugdir-create");
  EXPECT_NE(output.find("qlfvxETctl: the ElevatedTasks pipe is served by process " +
                        std::to_string(genuine.pid) + " \"" + WideToUtf8(refused.serverImage) +
                        "\", not by process "),
            std::string::npos)
      << output;
  EXPECT_TRUE(output.ends_with(" that qlfvxETctl launched; nothing was sent\nexit 1")) << output;
  // Attached, the image and elevation check cannot tell it under Wine, where
  // every token is elevated; the launched ones above have ended.
  ASSERT_TRUE(Eventually([] { return FindProcesses(L"qlfvxET.exe").size() == 1; }));
  EXPECT_TRUE(ConnectElevatedTasks(10000, pipe).ok());
  pipe.reset();
  EXPECT_EQ(ReadFileBytes(scratch / L"got"), "");
}
