#include <gtest/gtest.h>

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
