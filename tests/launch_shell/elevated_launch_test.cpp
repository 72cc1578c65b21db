// Starting ElevatedTasks through the shell: the request handed to the shell,
// and the real launch observed through the process list, the pipe and a
// debugger.

#include <gtest/gtest.h>

#include <cwchar>

#include "library/launch_shell/elevated_launch_info.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/identity_support.h"
#include "tests/support/test_support.h"

using namespace launch_shell::detail;

TEST(ElevatedLaunchRequest, RunasHiddenOwnConsoleBesideTheCaller) {
  const std::wstring program = ElevatedTasksPathIn(L"C:\\Apps\\Vx");
  EXPECT_EQ(program, L"C:\\Apps\\Vx\\qlfvxET.exe");
  const std::wstring parameters = L"4711";
  const SHELLEXECUTEINFOW info = ElevatedLaunchInfo(program, parameters);
  EXPECT_EQ(info.cbSize, 112u);
  EXPECT_EQ(info.fMask, 0x8040u);
  EXPECT_EQ(info.hwnd, nullptr);
  EXPECT_STREQ(info.lpVerb, L"runas");
  EXPECT_STREQ(info.lpFile, L"C:\\Apps\\Vx\\qlfvxET.exe");
  EXPECT_STREQ(info.lpParameters, L"4711");
  EXPECT_EQ(info.lpDirectory, nullptr);
  EXPECT_EQ(info.nShow, 0);
  EXPECT_EQ(info.hInstApp, nullptr);
  EXPECT_EQ(info.hProcess, nullptr);
}

TEST(ElevatedLaunchRequest, DriveRootFolder) {
  EXPECT_EQ(ElevatedTasksPathIn(L"C:"), L"C:\\qlfvxET.exe");
}

TEST(LaunchElevatedTasks, StartsElevatedTasksFromOwnFolderForTheGivenProcess) {
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  LaunchElevatedTasks(std::to_wstring(::GetCurrentProcessId()));

  // Only a process that was handed this test's id serves the pipe.
  ASSERT_TRUE(vxtest::WaitForPipe(10000));
  const std::vector<vxtest::ProcessSeen> running = vxtest::FindProcesses(L"qlfvxET.exe");
  ASSERT_EQ(running.size(), 1u);
  EXPECT_EQ(running[0].parentPid, ::GetCurrentProcessId());
  EXPECT_EQ(
      fw::CompareNoCase(vxtest::ProcessImagePath(running[0].pid), vxtest::BinPath(L"qlfvxET.exe")),
      0)
      << vxtest::WideToUtf8(vxtest::ProcessImagePath(running[0].pid));

  fw::unique_hfile pipe = vxtest::ConnectPipe();
  ASSERT_TRUE(pipe);
  vxtest::RoundTrip(pipe.get(), Quit);
  pipe.reset();
  EXPECT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
}

TEST(LaunchElevatedTasks, KeepsNoHandle) {
  // The first launch loads the shell's own machinery; count after it.
  LaunchElevatedTasks(L"");
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  DWORD before = 0;
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &before));
  for (int i = 0; i < 5; ++i) LaunchElevatedTasks(L"");
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  DWORD after = 0;
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &after));
  EXPECT_EQ(after, before);
}

TEST(LaunchElevatedTasks, EmptyParametersEndElevatedTasksAtOnceWithZero) {
  // A launcher copied with qlfvxET.exe into a folder of its own, so that the
  // program can only have come from the launcher's folder.
  vxtest::TempFolder folder(L"launch");
  const std::wstring launcher = folder / L"vxtool.exe";
  ASSERT_TRUE(::CopyFileW(vxtest::BinPath(L"identity_probe.exe").c_str(), launcher.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileW(vxtest::BinPath(L"qlfvxET.exe").c_str(),
                          (folder / L"qlfvxET.exe").c_str(), FALSE));

  const std::vector<vxtest::DebuggedProcess> seen =
      vxtest::RunFollowingChildren(L"\"" + launcher + L"\" launch", 30000);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].exitCode, 0u);
  // Wine may add a console host for the new console; only ElevatedTasks counts.
  std::vector<vxtest::DebuggedProcess> elevated;
  for (const vxtest::DebuggedProcess& process : seen) {
    if (process.image.size() >= 11 &&
        fw::CompareNoCase(process.image.substr(process.image.size() - 11), L"qlfvxET.exe") == 0) {
      elevated.push_back(process);
    }
  }
  ASSERT_EQ(elevated.size(), 1u);
  EXPECT_EQ(fw::CompareNoCase(elevated[0].image, folder / L"qlfvxET.exe"), 0)
      << vxtest::WideToUtf8(elevated[0].image);
  EXPECT_EQ(elevated[0].exitCode, 0u);
  EXPECT_FALSE(vxtest::WaitForPipe(200));
}
