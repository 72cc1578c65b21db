// qlfvxETctl.exe run as a real program: it launches ElevatedTasks, drives it
// and reports; wrong usage, no server and a busy pipe end it with messages.

#include <gtest/gtest.h>

#include "tests/support/identity_support.h"
#include "tests/support/test_support.h"

namespace {

struct ClientRun {
  std::optional<DWORD> exitCode;
  std::string output;  // standard output and error together
};

ClientRun RunClient(const std::wstring& arguments) {
  vxtest::Child child = vxtest::StartChild(
      L"\"" + vxtest::BinPath(L"qlfvxETctl.exe") + L"\" " + arguments, /*captureOutput=*/true);
  ClientRun run;
  run.output = vxtest::ReadAllOutput(child);
  run.exitCode = vxtest::WaitExit(child, 120000);
  return run;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

TEST(Etctl, EveryCommandNameDrivesElevatedTasksAndShowsTheChange) {
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  vxtest::ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  vxtest::TempFolder scratch(L"etctl");
  vxtest::ScopedEnv temp(L"TEMP", scratch.path());
  vxtest::ScopedEnv xperfLog(L"VX_FAKE_XPERF_LOG", scratch / L"xperf.log");
  vxtest::ScopedEnv path(L"PATH", vxtest::FakeXperfFolder() + L";" + _wgetenv(L"PATH"));
  vxtest::ScopedFakeService service(L"CORVANTALauncher", 0);
  ASSERT_TRUE(service.ok());
  const std::wstring existing = scratch.path();
  const std::wstring missing = scratch / L"no such folder";

  const ClientRun run = RunClient(L"debugdir-create debugdir-set \"" + missing +
                                  L"\" debugdir-delete lnkagt-create "
                                  L"lnkagt-set \"" +
                                  existing +
                                  L"\" lnkagt-delete xperf-start xperf-stop service-restart "
                                  L"code 2 code 42 quit");
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  const std::string out = run.output;
  const std::string tempText = vxtest::WideToUtf8(scratch.path());

  EXPECT_TRUE(Contains(out, "Launched qlfvxET.exe (runas) for process ")) << out;
  EXPECT_TRUE(Contains(out, "Connected to \\\\.\\pipe\\VxToElevatedExePipe")) << out;
  EXPECT_TRUE(Contains(out, "> debugdir-create (code 4): acknowledged\n  DebugDir: (no key) -> \"" +
                                tempText + "\\MySession_XML_Logs"))
      << out;
  EXPECT_TRUE(Contains(out, "\" [folder exists]\n> debugdir-set \"" + vxtest::WideToUtf8(missing) +
                                "\" (code 6): acknowledged\n"))
      << out;
  EXPECT_TRUE(Contains(out, " -> \"" + vxtest::WideToUtf8(missing) + "\" [folder missing]\n"))
      << out;
  EXPECT_TRUE(Contains(out, "> debugdir-delete (code 5): acknowledged\n  DebugDir: \"" +
                                vxtest::WideToUtf8(missing) +
                                "\" [folder missing] -> (no value)\n"))
      << out;
  EXPECT_TRUE(
      Contains(out, "> lnkagt-create (code 7): acknowledged\n  LNKAGTDebugDir: (no value) -> \"" +
                        tempText + "\\LNKAGT_Logs\" [folder exists]\n"))
      << out;
  EXPECT_TRUE(Contains(out, "> lnkagt-set \"" + tempText +
                                "\" (code 9): acknowledged\n  LNKAGTDebugDir: \"" + tempText +
                                "\\LNKAGT_Logs\" [folder exists] -> \"" + tempText +
                                "\" [folder exists]\n"))
      << out;
  EXPECT_TRUE(Contains(out, "> lnkagt-delete (code 8): acknowledged\n  LNKAGTDebugDir: \"" +
                                tempText + "\" [folder exists] -> (no value)\n"))
      << out;
  EXPECT_TRUE(Contains(out, "> xperf-start (code 0): acknowledged\n  trace folder: ")) << out;
  EXPECT_TRUE(Contains(out, "> xperf-stop (code 1): acknowledged\n")) << out;
  EXPECT_TRUE(Contains(out, "\\Quillforge\\qlfvxPerfData.etl (missing)")) << out;
  EXPECT_TRUE(Contains(out,
                       "> service-restart (code 10): acknowledged\n"
                       "  service CORVANTALauncher: stopped -> running\n"))
      << out;
  EXPECT_TRUE(Contains(out,
                       "> code 2: acknowledged\n> code 42: acknowledged\n"
                       "> quit (code 3): acknowledged\n"))
      << out;

  // What the commands left: the values deleted, the folders kept, Xperf run
  // twice, the service restarted, ElevatedTasks gone.
  EXPECT_TRUE(vxtest::KeyExists(HKEY_LOCAL_MACHINE, ProductSettingsKey));
  EXPECT_FALSE(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir"));
  EXPECT_FALSE(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"LNKAGTDebugDir"));
  EXPECT_TRUE(vxtest::PathIsFolder(scratch / L"LNKAGT_Logs"));
  const std::string xperf = vxtest::ReadFileBytes(scratch / L"xperf.log");
  EXPECT_TRUE(Contains(xperf, "params=-on PROC_THREAD+LOADER+PROFILE ")) << xperf;
  EXPECT_TRUE(Contains(xperf, "params=-stop -d ")) << xperf;
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
}

TEST(Etctl, ClosingWithoutQuitEndsElevatedTasksToo) {
  vxtest::ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  const ClientRun run = RunClient(L"debugdir-set C:\\vx");
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_TRUE(Contains(run.output, "  DebugDir: (no key) -> \"C:\\vx\" [folder missing]\n"))
      << run.output;
  EXPECT_EQ(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir")->data,
            vxtest::SzBytes(L"C:\\vx"));
  EXPECT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
}

TEST(Etctl, WrongUsagePrintsUsageSendsNothingAndExitsTwo) {
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  vxtest::ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  const struct {
    std::wstring arguments;
    std::string reason;
  } cases[] = {
      {L"", "qlfvxETctl: no command given"},
      {L"bogus", "qlfvxETctl: unknown command or option: bogus"},
      {L"debugdir-create debugdir-set", "qlfvxETctl: debugdir-set needs a PATH"},
      {L"debugdir-create lnkagt-set " + std::wstring(260, L'p'),
       "qlfvxETctl: lnkagt-set: the path has 260 units; the message holds at most 259"},
      {L"quit debugdir-create", "debugdir-create follows quit"},
  };
  for (const auto& c : cases) {
    const ClientRun run = RunClient(c.arguments);
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    EXPECT_TRUE(Contains(run.output, c.reason)) << run.output;
    EXPECT_TRUE(Contains(run.output, "usage: qlfvxETctl [options] COMMAND")) << run.output;
    EXPECT_FALSE(Contains(run.output, "Launched")) << run.output;
  }
  // Nothing was launched, so nothing was written.
  EXPECT_TRUE(vxtest::FindProcesses(L"qlfvxET.exe").empty());
  EXPECT_FALSE(vxtest::KeyExists(HKEY_LOCAL_MACHINE, ProductSettingsKey));

  const ClientRun help = RunClient(L"--help");
  EXPECT_EQ(help.exitCode, 0u);
  EXPECT_TRUE(Contains(help.output, "  service-restart    stop, then start,")) << help.output;
}

TEST(Etctl, NoServerWithinTheTimeOut) {
  ASSERT_TRUE(vxtest::WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  const ClientRun run = RunClient(L"--attach --connect-timeout-ms 300 quit");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_TRUE(Contains(run.output,
                       "qlfvxETctl: no ElevatedTasks pipe appeared within the time-out (error 2) "
                       "[300 ms]"))
      << run.output;
}

TEST(Etctl, BusyPipe) {
  vxtest::Child server = vxtest::StartElevatedTasksForThisProcess();
  fw::unique_hfile first = vxtest::ConnectPipe();
  ASSERT_TRUE(first);
  const ClientRun run = RunClient(L"--attach --connect-timeout-ms 300 quit");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_TRUE(Contains(run.output,
                       "qlfvxETctl: the ElevatedTasks pipe is busy: another client is connected "
                       "(error 231)"))
      << run.output;
  vxtest::RoundTrip(first.get(), Quit);
  EXPECT_EQ(vxtest::WaitExit(server, 10000), 0u);
}

TEST(Etctl, AttachesToARunningElevatedTasks) {
  vxtest::ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  vxtest::Child server = vxtest::StartElevatedTasksForThisProcess();
  const ClientRun run = RunClient(L"--attach lnkagt-set \"D:\\agent logs\" quit");
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_FALSE(Contains(run.output, "Launched")) << run.output;
  EXPECT_EQ(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"LNKAGTDebugDir")->data,
            vxtest::SzBytes(L"D:\\agent logs"));
  EXPECT_EQ(vxtest::WaitExit(server, 10000), 0u);
}

TEST(Etctl, ServerGoneBeforeTheAcknowledgement) {
  // ElevatedTasks ends with its launcher; that launcher here dies while the
  // fake Xperf keeps the start command busy.
  vxtest::ScopedEnv delay(L"VX_FAKE_XPERF_DELAY_MS", std::wstring(L"6000"));
  vxtest::ScopedEnv path(L"PATH", vxtest::FakeXperfFolder() + L";" + _wgetenv(L"PATH"));
  vxtest::Child launcher = vxtest::StartChild(L"\"" + vxtest::BinPath(L"sleeper.exe") + L"\" 3000");
  vxtest::Child server = vxtest::StartElevatedTasks(std::to_wstring(launcher.pid));
  ASSERT_TRUE(vxtest::WaitForPipe(10000));
  const ClientRun run = RunClient(L"--attach xperf-start");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_TRUE(
      Contains(run.output, "xperf-start (code 0): no acknowledgement came back (error 109)"))
      << run.output;
  EXPECT_EQ(vxtest::WaitExit(server, 10000), 0u);
  vxtest::WaitExit(launcher, 10000);
}
