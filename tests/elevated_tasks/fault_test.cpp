// Faults around a running qlfvxET.exe: its client or its launcher killed in
// the middle of a command, a service that never answers its stop. Each time
// it ends (or goes on) as it should, with exit code 0, and leaves no process
// of its own behind apart from an Xperf that is meant to run on by itself.

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

// The programs whose parent is pid, by file name; the process need not live.
std::vector<std::wstring> ChildrenOf(DWORD pid) {
  std::vector<std::wstring> names;
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    ADD_FAILURE() << "no process snapshot: " << ::GetLastError();
    return names;
  }
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == pid) names.push_back(entry.szExeFile);
  }
  return names;
}

bool WaitForChild(DWORD pid, const std::wstring& name) {
  for (int i = 0; i < 200; ++i) {
    for (const std::wstring& child : ChildrenOf(pid)) {
      if (_wcsicmp(child.c_str(), name.c_str()) == 0) return true;
    }
    ::Sleep(50);
  }
  return false;
}

// What stays of pid's children once it has ended, the console host that the
// system gave it and the Xperf it is meant to leave running set aside.
std::vector<std::wstring> LeftChildren(DWORD pid) {
  std::vector<std::wstring> left;
  for (int i = 0; i < 100; ++i) {
    left.clear();
    for (const std::wstring& child : ChildrenOf(pid)) {
      if (_wcsicmp(child.c_str(), L"Xperf.exe") != 0) left.push_back(child);
    }
    if (left.empty()) break;
    ::Sleep(50);
  }
  return left;
}

// ElevatedTasks for a launcher of its own (a sleeper), with the fake Xperf
// on PATH taking delayMs and recording its run in the test's folder.
class Faults : public ::testing::Test {
 protected:
  void StartServer(const wchar_t* delayMs) {
    ScopedEnv delay(L"VX_FAKE_XPERF_DELAY_MS", delayMs);
    launcher_ = StartChild(L"\"" + BinPath(L"sleeper.exe") + L"\" 120000");
    server_ = StartElevatedTasks(std::to_wstring(launcher_.pid));
    ASSERT_TRUE(WaitForPipe(10000));
  }
  void TearDown() override {
    KillChild(server_);
    KillChild(launcher_);
  }
  bool XperfFinished() { return !ReadFileBytes(temp_ / L"xperf.log").empty(); }

  TempFolder temp_{L"vxfault"};
  ScopedEnv path_{L"PATH", FakeXperfFolder() + L";C:\\windows\\system32;C:\\windows"};
  ScopedEnv log_{L"VX_FAKE_XPERF_LOG", temp_ / L"xperf.log"};
  Child launcher_;
  Child server_;
};

TEST_F(Faults, ClientKilledDuringXperfRunCommandFinishesThenProgramEnds) {
  ASSERT_NO_FATAL_FAILURE(StartServer(L"2000"));
  Child client = StartChild(L"\"" + BinPath(L"qlfvxETctl.exe") + L"\" --attach xperf-start");
  ASSERT_TRUE(WaitForChild(server_.pid, L"Xperf.exe")) << "Xperf was not started";
  KillChild(client);

  // The command is not cut off: Xperf is waited for, then the lost client
  // shows as a failed read and the service ends.
  EXPECT_EQ(WaitExit(server_, 20000), 0u);
  EXPECT_TRUE(XperfFinished()) << "ElevatedTasks ended before its Xperf";
  EXPECT_EQ(LeftChildren(server_.pid), std::vector<std::wstring>{});
  EXPECT_EQ(ChildrenOf(server_.pid), std::vector<std::wstring>{}) << "its Xperf has ended too";
  EXPECT_FALSE(WaitExit(launcher_, 0)) << "the launcher was touched";
}

TEST_F(Faults, LauncherKilledDuringCommandEndsProgramAndOnlyXperfRunsOn) {
  ASSERT_NO_FATAL_FAILURE(StartServer(L"5000"));
  fw::unique_hfile pipe = ConnectPipe();
  ASSERT_TRUE(pipe);
  ASSERT_TRUE(SendPipeMessage(pipe.get(), MakeMessage(XperfStart)));
  ASSERT_TRUE(WaitForChild(server_.pid, L"Xperf.exe")) << "Xperf was not started";
  KillChild(launcher_);

  EXPECT_EQ(WaitExit(server_, 2000), 0u) << "it waited for the command instead of ending";
  EXPECT_FALSE(XperfFinished()) << "Xperf should still be running";
  EXPECT_FALSE(ReadReply(pipe.get(), 1000).ok) << "a cut-off command was acknowledged";
  EXPECT_EQ(LeftChildren(server_.pid), std::vector<std::wstring>{});
  for (int i = 0; i < 200 && !XperfFinished(); ++i) ::Sleep(50);
  EXPECT_TRUE(XperfFinished()) << "the Xperf left running did not finish its work";
}

TEST_F(Faults, ServiceThatNeverStopsIsLeftRunningAndServiceGoesOn) {
  ScopedFakeService launcherService(L"CORVANTALauncher", 0, /*ignoreStop=*/true);
  ASSERT_TRUE(launcherService.ok());
  ASSERT_TRUE(launcherService.Start());
  ASSERT_TRUE(launcherService.WaitForState(SERVICE_RUNNING, 10000));

  server_ = StartElevatedTasksForThisProcess(/*captureOutput=*/true);
  fw::unique_hfile pipe = ConnectPipe();
  ASSERT_TRUE(pipe);
  // Nothing waits for the stop: the acknowledgement comes at once, the stop
  // is accepted (no line) and the start of a still running service is not
  // attempted.
  RoundTrip(pipe.get(), LauncherServiceRestart);
  RoundTrip(pipe.get(), Done);
  EXPECT_EQ(launcherService.State(), static_cast<DWORD>(SERVICE_RUNNING));
  RoundTrip(pipe.get(), Quit);
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
  EXPECT_EQ(ReadAllOutput(server_), "");
  EXPECT_EQ(LeftChildren(server_.pid), std::vector<std::wstring>{});

  // The service will not stop by request; end its process so that its
  // removal does not wait for it.
  fw::unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  fw::unique_schandle service(
      ::OpenServiceW(manager.get(), L"CORVANTALauncher", SERVICE_QUERY_STATUS));
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                             reinterpret_cast<BYTE*>(&status), sizeof(status), &needed)) {
    fw::unique_handle process(::OpenProcess(PROCESS_TERMINATE, FALSE, status.dwProcessId));
    if (process) ::TerminateProcess(process.get(), 0);
  }
}

}  // namespace
