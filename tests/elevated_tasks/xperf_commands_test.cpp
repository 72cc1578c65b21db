// Xperf start and stop through the pipe: exact parameters, the wait, the trace folder.

#include <gtest/gtest.h>
#include <shlobj.h>

#include "elevated_tasks/command_text.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

using namespace elevated::detail;
using namespace vxtest;

namespace {

// The fake's record after one command of a fresh session.
class XperfCommands : public ::testing::Test {
 protected:
  std::string Run(uint32_t command) {
    Session session;
    RoundTrip(session.pipe.get(), command);
    // Written when the fake ends, after its delay: there at the reply, it proves the wait.
    const std::string log = ReadFileBytes(temp_ / L"xperf.log");
    session.Finish();  // still serving: Quit is acknowledged
    return log;
  }

  TempFolder temp_{L"vxxperf"};
  ScopedEnv path_{L"PATH", FakeXperfFolder() + L";C:\\windows\\system32;C:\\windows"};
  ScopedEnv logEnv_{L"VX_FAKE_XPERF_LOG", temp_ / L"xperf.log"};
  ScopedEnv delay_{L"VX_FAKE_XPERF_DELAY_MS", L"1500"};
};

TEST_F(XperfCommands, StartPassesTheStartParametersAndWaitsForTheEnd) {
  EXPECT_EQ(Run(XperfStart),
            "params=-on PROC_THREAD+LOADER+PROFILE -BufferSize 1024 -MinBuffers 10 -MaxBuffers "
            "100 -stackwalk profile -FileMode Circular -MaxFile 2000\n");
}

// A roaming folder with a blank: made before Xperf runs, the path one argument.
TEST_F(XperfCommands, StopMergesIntoTraceFileInRoamingProductFolder) {
  const std::wstring roaming = temp_ / L"Ann Lee\\AppData\\Roaming";
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, roaming.c_str(), nullptr), ERROR_SUCCESS);
  ScopedValueOverride appData(HKEY_CURRENT_USER,
                              L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User "
                              L"Shell Folders",
                              L"AppData", REG_EXPAND_SZ, roaming);
  ScopedEnv check(L"VX_FAKE_XPERF_CHECK_PATH", roaming + L"\\Quillforge");
  EXPECT_EQ(Run(XperfStop), "exists=1\nparams=-stop -d \"" +
                                WideToUtf8(roaming + L"\\Quillforge\\qlfvxPerfData.etl") + "\"\n");
}

TEST_F(XperfCommands, MissingXperfEndsTheCommandQuietly) {
  ScopedEnv noXperf(L"PATH", L"C:\\windows\\system32;C:\\windows");
  EXPECT_EQ(Run(XperfStart), "");
}

// Only the registered kit's xperf.exe, with the same parameters: never one on the fixture's
// PATH, nor under a kit root that the user's environment would expand.
TEST_F(XperfCommands, HardenedBuildRunsOnlyTheRegisteredKitsXperf) {
  const std::wstring kit = temp_ / L"Kit\\", image = BinPath(L"hardened\\qlfvxET.exe");
  ::SHCreateDirectoryExW(nullptr, (kit + L"Windows Performance Toolkit").c_str(), nullptr);
  ASSERT_TRUE(::CopyFileW((FakeXperfFolder() + L"\\Xperf.exe").c_str(),
                          (kit + L"Windows Performance Toolkit\\xperf.exe").c_str(), TRUE));
  ScratchKey kits(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows Kits", true);
  const auto run = [&](DWORD type) {  // what it printed, then what the fake wrote
    ScopedValueOverride root(HKEY_LOCAL_MACHINE, kKitsRootsKey, kKitsRootValue, type, kit);
    Running server{
        StartChild(L"\"" + image + L"\" " + std::to_wstring(::GetCurrentProcessId()), true)};
    fw::unique_hfile pipe;
    EXPECT_TRUE(ConnectElevatedTasks(10000, pipe, image).ok());
    for (const uint32_t command : {XperfStart, XperfStop, Quit})
      if (pipe) RoundTrip(pipe.get(), command);
    return OutputAndExit(server, 10000) + ReadFileBytes(temp_ / L"xperf.log");
  };
  const std::string line = WideToUtf8(kNoTrustedXperfLine) + "\r\n";
  EXPECT_EQ(run(REG_EXPAND_SZ), line + line + "exit 0");
  ScopedEnv noXperf(L"PATH", L"C:\\windows\\system32;C:\\windows");
  std::wstring folder;
  GetTraceFolder(folder, L"");
  EXPECT_EQ(run(REG_SZ), "exit 0params=" + WideToUtf8(kXperfStartParameters) + "\nparams=" +
                             WideToUtf8(XperfStopParameters(folder, L"qlfvxPerfData.etl")) + "\n");
}

}  // namespace
