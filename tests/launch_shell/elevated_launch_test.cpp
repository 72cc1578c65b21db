// Starting ElevatedTasks through the shell, observed through the process
// list, the pipe and a debugger.

#include <gtest/gtest.h>

#include "library/launch_shell/launch_shell.h"
#include "tests/support/identity_support.h"
#include "tests/support/test_support.h"

namespace {

struct DebuggedProcess {
  std::wstring image;
  std::optional<DWORD> exitCode;
};

// Runs commandLine under the debug API, following every process it starts,
// until all have ended; the program started comes first.
std::vector<DebuggedProcess> RunFollowingChildren(std::wstring commandLine) {
  std::vector<DebuggedProcess> seen;
  std::vector<DWORD> pids;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                        DEBUG_PROCESS | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcessW under the debugger failed " << ::GetLastError();
    return seen;
  }
  fw::unique_handle rootProcess(info.hProcess), rootThread(info.hThread);
  size_t running = 0;
  DEBUG_EVENT event = {};
  do {
    if (!::WaitForDebugEvent(&event, 30000)) {
      ADD_FAILURE() << "debugged processes did not end in time";
      ::TerminateProcess(rootProcess.get(), 99);
      break;
    }
    DWORD status = DBG_CONTINUE;
    if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
      fw::unique_hfile image(event.u.CreateProcessInfo.hFile);
      wchar_t path[MAX_PATH] = {};
      DWORD size = MAX_PATH;
      ::QueryFullProcessImageNameW(event.u.CreateProcessInfo.hProcess, 0, path, &size);
      seen.push_back({path, std::nullopt});
      pids.push_back(event.dwProcessId);
      ++running;
    } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
      fw::unique_hfile(event.u.LoadDll.hFile).reset();
    } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
      for (size_t i = 0; i < pids.size(); ++i) {
        if (pids[i] == event.dwProcessId) seen[i].exitCode = event.u.ExitProcess.dwExitCode;
      }
      --running;
    } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
               event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
      status = DBG_EXCEPTION_NOT_HANDLED;  // the loader's breakpoint alone is ours
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  } while (event.dwDebugEventCode != EXIT_PROCESS_DEBUG_EVENT || running > 0);
  return seen;
}

}  // namespace

TEST(LaunchElevatedTasks, StartsElevatedTasksForTheGivenProcessAndKeepsNoHandle) {
  // The first launch loads the shell's own machinery: count handles after it.
  LaunchElevatedTasks(L"");
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  DWORD before = 0, after = 0;
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &before));

  LaunchElevatedTasks(std::to_wstring(::GetCurrentProcessId()));
  // Only a process that was handed this test's id serves the pipe.
  ASSERT_TRUE(vxtest::WaitForPipe(10000));
  const std::vector<vxtest::ProcessSeen> running = vxtest::FindProcesses(L"qlfvxET.exe");
  ASSERT_EQ(running.size(), 1u);
  EXPECT_EQ(running[0].parentPid, ::GetCurrentProcessId());
  {
    fw::unique_hfile pipe = vxtest::ConnectPipe();
    ASSERT_TRUE(pipe);
    vxtest::RoundTrip(pipe.get(), Quit);
  }
  EXPECT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  ASSERT_TRUE(::GetProcessHandleCount(::GetCurrentProcess(), &after));
  EXPECT_EQ(after, before);
}

TEST(LaunchElevatedTasks, FromTheCallersFolderAndEmptyParametersEndItWithZero) {
  // A launcher copied with qlfvxET.exe into a folder of its own, so that the
  // program can only have come from the launcher's folder.
  vxtest::TempFolder folder(L"launch");
  const std::wstring launcher = folder / L"vxtool.exe";
  ASSERT_TRUE(::CopyFileW(vxtest::BinPath(L"identity_probe.exe").c_str(), launcher.c_str(), FALSE));
  ASSERT_TRUE(::CopyFileW(vxtest::BinPath(L"qlfvxET.exe").c_str(),
                          (folder / L"qlfvxET.exe").c_str(), FALSE));

  const std::vector<DebuggedProcess> seen = RunFollowingChildren(L"\"" + launcher + L"\" launch");
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].exitCode, 0u);
  // Wine may add a console host for the new console; only ElevatedTasks counts.
  std::vector<DebuggedProcess> elevated;
  for (const DebuggedProcess& process : seen) {
    const size_t slash = process.image.rfind(L'\\');
    if (fw::CompareNoCase(process.image.substr(slash + 1), L"qlfvxET.exe") == 0) {
      elevated.push_back(process);
    }
  }
  ASSERT_EQ(elevated.size(), 1u);
  EXPECT_EQ(fw::CompareNoCase(elevated[0].image, folder / L"qlfvxET.exe"), 0)
      << vxtest::WideToUtf8(elevated[0].image);
  EXPECT_EQ(elevated[0].exitCode, 0u);
  EXPECT_FALSE(vxtest::WaitForPipe(200));
}
