#include <gtest/gtest.h>
#include <shlobj.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

// What qlfvxETctl printed, then "exit N".
std::string RunClient(const std::wstring& arguments,
                      const std::wstring& client = BinPath(L"qlfvxETctl.exe")) {
  Child child = StartChild(L"\"" + client + L"\" " + arguments, true);
  return OutputAndExit(child, 120000);
}

bool Shows(const std::string& text, const std::string& part) {
  return text.find(part) != text.npos;
}

// Every DLL the two programs load once they run, planted beside copies of them
// and loaded native first, as Windows loads a DLL that is not a KnownDLL; each
// leaves a mark if loaded. Those loaded before a program's first line (with
// kernel32, advapi32 and the C runtime) are KnownDLLs on Windows.
const wchar_t* const kPlantedDlls[] = {
    L"version", L"uxtheme", L"comctl32", L"zlib1",   L"win32u",       L"user32",
    L"gdi32",   L"imm32",   L"shcore",   L"shlwapi", L"shell32",      L"rpcrt4",
    L"combase", L"ole32",   L"oleaut32", L"propsys", L"windowscodecs"};

void DriveEveryCommandBesidePlantedDlls(const std::wstring& serverImage) {
  ASSERT_TRUE(WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  TempFolder scratch(L"etctl");
  const std::wstring client = scratch / L"qlfvxETctl.exe";
  ASSERT_TRUE(::CopyFileW(BinPath(L"qlfvxETctl.exe").c_str(), client.c_str(), TRUE));
  ASSERT_TRUE(::CopyFileW(BinPath(serverImage).c_str(), (scratch / L"qlfvxET.exe").c_str(), TRUE));
  ScratchKey overrides[] = {
      {HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\qlfvxET.exe\\DllOverrides"},
      {HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\qlfvxETctl.exe\\DllOverrides"}};
  for (const wchar_t* name : kPlantedDlls) {
    ASSERT_TRUE(::CopyFileW(BinPath(L"doubles\\planted\\planted_dll.dll").c_str(),
                            (scratch / name + L".dll").c_str(), TRUE));
    for (const ScratchKey& key : overrides)
      ASSERT_TRUE(SetText(key.root(), key.path(), name, L"native,builtin"));
  }
  ScopedEnv temp(L"TEMP", scratch.path());
  ScopedEnv xperfLog(L"VX_FAKE_XPERF_LOG", scratch / L"xperf.log");
  ScopedEnv path(L"PATH", FakeXperfFolder() + L";" + _wgetenv(L"PATH"));
  ScopedFakeService service(L"CORVANTALauncher", 0);
  ASSERT_TRUE(service.ok());
  wchar_t roaming[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming);
  const std::string traceFolder = WideToUtf8(roaming) + "\\Quillforge";
  ::CreateDirectoryW((std::wstring(roaming) + L"\\Quillforge").c_str(), nullptr);
  const std::string temp8 = WideToUtf8(scratch.path());
  const std::string missing = temp8 + "\\no such folder";

  const std::string run =
      RunClient(L"debugdir-create debugdir-set \"" + Utf8ToWide(missing) +
                    L"\" debugdir-delete lnkagt-create lnkagt-set \"" + scratch.path() +
                    L"\" lnkagt-delete xperf-start xperf-stop service-restart code 2 code 42 quit",
                client);
  EXPECT_TRUE(WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  std::string loaded;
  for (const wchar_t* name : kPlantedDlls)
    if (PathExists(scratch / name + L".dll.loaded")) loaded += WideToUtf8(name) + " ";
  EXPECT_EQ(loaded, "");
  ASSERT_TRUE(run.ends_with("exit 0")) << run;
  const std::string expected[] = {
      "Launched \"" + temp8 + "\\qlfvxET.exe\" (runas) as process ",
      "Connected to \\\\.\\pipe\\VxToElevatedExePipe",
      "> debugdir-create (code 4): acknowledged\n  DebugDir: (no key) -> \"" + temp8 +
          "\\MySession_XML_Logs",
      "\" [folder exists]\n> debugdir-set \"" + missing + "\" (code 6): acknowledged\n",
      " -> \"" + missing + "\" [folder missing]\n",
      "> debugdir-delete (code 5): acknowledged\n  DebugDir: \"" + missing +
          "\" [folder missing] -> (no value)\n",
      "> lnkagt-create (code 7): acknowledged\n  LNKAGTDebugDir: (no value) -> \"" + temp8 +
          "\\LNKAGT_Logs\" [folder exists]\n",
      "> lnkagt-set \"" + temp8 + "\" (code 9): acknowledged\n  LNKAGTDebugDir: \"" + temp8 +
          "\\LNKAGT_Logs\" [folder exists] -> \"" + temp8 + "\" [folder exists]\n",
      "> lnkagt-delete (code 8): acknowledged\n  LNKAGTDebugDir: \"" + temp8 +
          "\" [folder exists] -> (no value)\n",
      "> xperf-start (code 0): acknowledged\n  trace folder: " + traceFolder +
          " (folder exists) (unchanged)\n",
      "> xperf-stop (code 1): acknowledged\n",
      "\\Quillforge\\qlfvxPerfData.etl (missing)",
      "> service-restart (code 10): acknowledged\n  service CORVANTALauncher: stopped -> running\n",
      "> code 2: acknowledged\n> code 42: acknowledged\n> quit (code 3): acknowledged\n",
  };
  for (const std::string& part : expected)
    EXPECT_TRUE(Shows(run, part)) << part << "\nin:\n" << run;

  // What it shows is what it read back: only that Xperf did run is not shown.
  // The hardened build never runs one that is only on PATH.
  const std::string xperf = ReadFileBytes(scratch / L"xperf.log");
  const bool byName = serverImage == L"qlfvxET.exe";
  EXPECT_EQ(xperf.find("params=-on PROC_THREAD+LOADER+PROFILE ") != std::string::npos, byName);
  EXPECT_EQ(xperf.find("params=-stop -d ") != std::string::npos, byName) << xperf;
}

}  // namespace

TEST(Etctl, EveryCommandShowsItsChangeAndLoadsNoPlantedDll) {
  DriveEveryCommandBesidePlantedDlls(L"qlfvxET.exe");
}

TEST(Etctl, TheHardenedBuildLoadsNoPlantedDllEither) {
  DriveEveryCommandBesidePlantedDlls(L"hardened\\qlfvxET.exe");
}

TEST(Etctl, LaunchModeLaunchesTheImageItIsGivenAndSaysWhenThatFails) {
  ASSERT_TRUE(WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  const std::wstring missing = BinPath(L"missing.exe");
  EXPECT_EQ(RunClient(L"--server-image \"" + missing + L"\" quit"),
            "qlfvxETctl: \"" + WideToUtf8(missing) +
                "\" could not be launched (error 2); nothing was sent\nexit 3");
  // A program that ends at once, serving nothing: no waiting out the time-out.
  std::string run = RunClient(L"--connect-timeout-ms 120000 --server-image \"" +
                              BinPath(L"system_probe.exe") + L"\" quit");
  EXPECT_TRUE(run.ends_with(") ended before it served the pipe; nothing was sent\nexit 1")) << run;
  run = RunClient(L"--server-image \"" + BinFolder() + L"\\hardened\\qlfvxET.exe\" quit");
  EXPECT_TRUE(run.ends_with("> quit (code 3): acknowledged\nexit 0")) << run;
}

TEST(Etctl, WrongUsageNoServerAndABusyPipeEachSayWhyAndSendNothing) {
  ASSERT_TRUE(WaitUntilNoProcess(L"qlfvxET.exe", 10000));
  ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  const std::string usage = "usage: qlfvxETctl [options] COMMAND";
  for (const auto& [arguments, reason] :
       {std::pair{L"", "qlfvxETctl: no command given"},
        std::pair{L"debugdir-create bogus", "qlfvxETctl: unknown command or option: bogus"}}) {
    const std::string run = RunClient(arguments);
    EXPECT_TRUE(run.ends_with("exit 2") && Shows(run, reason) && Shows(run, usage)) << run;
  }
  // Nothing was launched, so nothing was written.
  EXPECT_TRUE(FindProcesses(L"qlfvxET.exe").empty());
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ProductSettingsKey));

  std::string run = RunClient(L"--attach --connect-timeout-ms 300 quit");
  EXPECT_TRUE(run.ends_with("exit 1") &&
              Shows(run, "no ElevatedTasks pipe appeared within the time-out (error 2) [300 ms]"))
      << run;
  Session first;
  run = RunClient(L"--attach --connect-timeout-ms 300 quit");
  EXPECT_TRUE(run.ends_with("exit 1") &&
              Shows(run, "the ElevatedTasks pipe is busy: another client is connected (error 231)"))
      << run;
  first.Finish();
}
