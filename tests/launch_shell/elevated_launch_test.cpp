#include <gtest/gtest.h>
#include <winternl.h>

#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

TEST(LaunchElevatedTasks, StartsItFromOwnFolderForTheGivenProcessAndKeepsNoHandle) {
  // The first launch loads the shell's own machinery: count handles after it.
  LaunchElevatedTasks(L"");
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  DWORD before = 0, after = 0;
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &before));
  vxtest::TempFolder elsewhere(L"launch");
  ASSERT_TRUE(::SetCurrentDirectoryW(elsewhere.path().c_str()));
  LaunchElevatedTasks(std::to_wstring(::GetCurrentProcessId()));
  ::SetCurrentDirectoryW(vxtest::BinFolder().c_str());
  ASSERT_TRUE(vxtest::WaitForPipe(10000));
  const auto running = vxtest::FindProcesses(L"qlfvxET.exe");
  ASSERT_EQ(running.size(), 1u);
  EXPECT_EQ(running[0].th32ParentProcessID, ::GetCurrentProcessId());
  ASSERT_TRUE(vxtest::ConnectPipe());  // it ends once its one client leaves
  EXPECT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &after));
  EXPECT_EQ(after, before);
}

TEST(LaunchElevatedTasks, TheLaunchedProcessIsServedAndItsEndEndsTheWaitAtOnce) {
  vxtest::Running server;
  fw::unique_hfile pipe;
  // Without an argument it ends at once, and the wait with it: 120 s would outlast this test.
  ASSERT_EQ(LaunchElevatedTasksProcess(L"", server.process), 0u);
  const PipeClientResult ended = ConnectLaunchedElevatedTasks(server.process.get(), 120000, pipe);
  EXPECT_EQ(ended.status, PipeClientStatus::ServerEnded);
  EXPECT_EQ(ended.serverProcessId, ::GetProcessId(server.process.get()));

  ASSERT_EQ(LaunchElevatedTasksProcess(std::to_wstring(::GetCurrentProcessId()), server.process),
            0u);
  ASSERT_TRUE(ConnectLaunchedElevatedTasks(server.process.get(), 10000, pipe).ok());
  PUBLIC_OBJECT_BASIC_INFORMATION granted = {};  // the rights the system recorded
  const auto query = reinterpret_cast<decltype(&NtQueryObject)>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  ASSERT_EQ(query(pipe.get(), ObjectBasicInformation, &granted, sizeof(granted), nullptr), 0);
  EXPECT_EQ(granted.GrantedAccess, kPipeClientAccess);
  vxtest::RoundTrip(pipe.get(), Quit);
  EXPECT_EQ(vxtest::WaitExit(server, 10000), 0u);
}
