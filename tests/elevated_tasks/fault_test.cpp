// Its client or its launcher killed mid-command, a service that never stops:
// qlfvxET.exe ends (or goes on) with exit code 0 and leaves no process behind
// but an Xperf meant to run on by itself.

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

using Names = std::vector<std::wstring>;

// The programs whose parent is pid, by file name (the process need not
// live), Xperf left out unless asked for.
Names ChildrenOf(DWORD pid, bool withXperf = false) {
  Names names;
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ParentProcessID == pid &&
        (withXperf || _wcsicmp(entry.szExeFile, L"Xperf.exe") != 0)) {
      names.push_back(entry.szExeFile);
    }
  }
  return names;
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
  bool XperfStarted() {
    return Eventually([this] { return ChildrenOf(server_.pid, true) != ChildrenOf(server_.pid); });
  }
  bool XperfFinished() { return !ReadFileBytes(temp_ / L"xperf.log").empty(); }
  // Its children once it has ended, the Xperf it may leave running aside.
  static Names LeftChildren(DWORD pid) {
    Eventually([pid] { return ChildrenOf(pid).empty(); });
    return ChildrenOf(pid);
  }

  TempFolder temp_{L"vxfault"};
  ScopedEnv path_{L"PATH", FakeXperfFolder() + L";C:\\windows\\system32;C:\\windows"};
  ScopedEnv log_{L"VX_FAKE_XPERF_LOG", temp_ / L"xperf.log"};
  Child launcher_;
  Child server_;
};

TEST_F(Faults, ClientKilledDuringXperfRunCommandFinishesThenProgramEnds) {
  ASSERT_NO_FATAL_FAILURE(StartServer(L"2000"));
  Child client = StartChild(L"\"" + BinPath(L"qlfvxETctl.exe") + L"\" --attach xperf-start");
  ASSERT_TRUE(XperfStarted());
  KillChild(client);

  // The command is not cut off: Xperf is waited for, then the lost client
  // shows as a failed read and the service ends.
  EXPECT_EQ(WaitExit(server_, 20000), 0u);
  EXPECT_TRUE(XperfFinished()) << "ElevatedTasks ended before its Xperf";
  EXPECT_EQ(LeftChildren(server_.pid), Names{});
  EXPECT_EQ(ChildrenOf(server_.pid, true), Names{}) << "its Xperf has ended too";
  EXPECT_FALSE(WaitExit(launcher_, 0)) << "the launcher was touched";
}

TEST_F(Faults, LauncherKilledDuringCommandEndsProgramAndOnlyXperfRunsOn) {
  ASSERT_NO_FATAL_FAILURE(StartServer(L"5000"));
  fw::unique_hfile pipe = ConnectPipe();
  ASSERT_TRUE(pipe);
  ASSERT_TRUE(SendPipeMessage(pipe.get(), MakeMessage(XperfStart)));
  ASSERT_TRUE(XperfStarted());
  KillChild(launcher_);

  EXPECT_EQ(WaitExit(server_, 2000), 0u) << "it waited for the command instead of ending";
  EXPECT_FALSE(XperfFinished()) << "Xperf should still be running";
  EXPECT_FALSE(ReadReply(pipe.get(), 1000).ok) << "a cut-off command was acknowledged";
  EXPECT_EQ(LeftChildren(server_.pid), Names{});
  EXPECT_TRUE(Eventually([this] { return XperfFinished(); }))
      << "the Xperf left running did not finish";
}

TEST_F(Faults, ServiceThatNeverStopsIsLeftRunningAndServiceGoesOn) {
  ScopedFakeService launcherService(L"CORVANTALauncher", 0, /*ignoreStop=*/true);
  ASSERT_TRUE(launcherService.Start());

  Session session(/*captureOutput=*/true);
  // Nothing waits for the stop: the acknowledgement comes at once, the stop
  // is accepted (no line) and the start of a still running service is not
  // attempted.
  RoundTrip(session.pipe.get(), LauncherServiceRestart);
  RoundTrip(session.pipe.get(), Done);
  EXPECT_EQ(launcherService.State(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(session.Finish(), "");
  EXPECT_EQ(LeftChildren(session.server.pid), Names{});
}

}  // namespace
