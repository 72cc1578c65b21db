// Its launcher killed mid-command, qlfvxET.exe ends (exit code 0, no crash) and leaves
// only an Xperf running on by itself, with the console host it shares.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

using Names = std::vector<std::wstring>;

// Each process that parent started (parent need not live). Ids are reused:
// a process older than parent is not its child, whatever parent id it names.
template <typename Visit>
void ForEachChildOf(const Child& parent, Visit visit) {
  FILETIME parentStart = {}, child = {}, unused[3] = {};
  if (!::GetProcessTimes(parent.process.get(), &parentStart, &unused[0], &unused[1], &unused[2]))
    return;
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    if (entry.th32ParentProcessID != parent.pid) return;
    fw::unique_handle process(::OpenProcess(
        PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (process && ::GetProcessTimes(process.get(), &child, &unused[0], &unused[1], &unused[2]) &&
        ::CompareFileTime(&child, &parentStart) >= 0) {
      visit(entry.szExeFile, process);
    }
  });
}

Names ChildrenOf(const Child& parent) {
  Names names;
  ForEachChildOf(parent, [&](const wchar_t* name, fw::unique_handle&) { names.push_back(name); });
  std::sort(names.begin(), names.end());
  return names;
}

// ElevatedTasks for a launcher of its own, the fake Xperf on PATH. Xperf runs
// until the test opens its gate, so no check depends on how fast it is.
class Faults : public ::testing::Test {
 protected:
  void TearDown() override {  // also between rounds
    KillChild(server_);
    KillChild(launcher_);
    // What a failed check leaves running must not outlive the test.
    ForEachChildOf(server_, [](const wchar_t*, fw::unique_handle& process) {
      Child child{std::move(process), 0, {}};
      KillChild(child);
    });
  }
  bool XperfFinished() { return !ReadFileBytes(temp_ / L"xperf.log").empty(); }

  TempFolder temp_{L"vxfault"};
  const std::wstring gateName_ = L"VxFaultXperfGate" + std::to_wstring(::GetCurrentProcessId());
  fw::unique_handle gate_{::CreateEventW(nullptr, TRUE, FALSE, gateName_.c_str())};
  ScopedEnv path_{L"PATH", FakeXperfFolder() + L";C:\\windows\\system32;C:\\windows"};
  ScopedEnv log_{L"VX_FAKE_XPERF_LOG", temp_ / L"xperf.log"};
  ScopedEnv delay_{L"VX_FAKE_XPERF_DELAY_MS", L"60000"};
  ScopedEnv gateEnv_{L"VX_FAKE_XPERF_GATE", gateName_};
  Child launcher_, server_;
};

// Twenty rounds, the command held by the test: even rounds inside Xperf's run (started
// whole), odd ones behind the "Registry key failed" box (user32 and the framework busy).
TEST_F(Faults, LauncherKilledInsideACommandEndsTheProgramCleanlyEveryTime) {
  ScratchKey parent(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Brevanne Koltec");
  fw::unique_hkey volatileParent;  // below it no lasting key can be made: the write fails
  ASSERT_EQ(
      ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, parent.path().c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, volatileParent.put(), nullptr),
      ERROR_SUCCESS);
  for (int round = 0; round < 20 && !HasFatalFailure(); ++round) {
    SCOPED_TRACE(round);
    const bool xperf = round % 2 == 0;
    ::ResetEvent(gate_.get());
    ::DeleteFileW((temp_ / L"xperf.log").c_str());
    launcher_ = StartChild(L"\"" + BinPath(L"sleeper.exe") + L"\" 120000");
    server_ = StartElevatedTasks(std::to_wstring(launcher_.pid));
    fw::unique_hfile pipe = ConnectPipe();  // within 10 s, or the send below fails
    ASSERT_TRUE(SendPipeMessage(
        pipe.get(), xperf ? MakeMessage(XperfStart) : MakeMessage(DebugDirSet, L"C:\\x")));
    ASSERT_TRUE(Eventually([&] {  // Xperf, or "Registry key failed" from this round's server
      const Names names = ChildrenOf(server_);
      DWORD owner = 0;
      HWND box = ::FindWindowW(L"#32770", L"qlfVxElevatedTasks");
      return xperf ? std::count(names.begin(), names.end(), L"Xperf.exe") == 1
                   : ::IsWindowVisible(box) && ::GetWindowThreadProcessId(box, &owner) &&
                         owner == server_.pid;
    }));
    KillChild(launcher_);

    EXPECT_EQ(WaitExit(server_, 10000), 0u) << "it waited for the command, or crashed";
    EXPECT_FALSE(ReadReply(pipe.get(), 1000).ok) << "a cut-off command was acknowledged";
    if (xperf) {  // started whole, it runs on, with the console host it shares
      EXPECT_FALSE(XperfFinished());
      EXPECT_EQ(ChildrenOf(server_), (Names{L"Xperf.exe", L"conhost.exe"}));
    }
    ::SetEvent(gate_.get());  // once Xperf may end, it finishes and nothing is left
    EXPECT_TRUE(!xperf || Eventually([this] { return XperfFinished(); }, 30000));
    Eventually([this] { return ChildrenOf(server_).empty(); }, 30000);
    EXPECT_EQ(ChildrenOf(server_), Names{});
    TearDown();
  }
}

}  // namespace
