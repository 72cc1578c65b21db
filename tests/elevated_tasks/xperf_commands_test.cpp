// Xperf start and stop through the real pipe, with the fake Xperf.exe on
// PATH: the exact parameters, the wait for its end, the trace folder.

#include <gtest/gtest.h>
#include <shlobj.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

// The record of the fake after one command of a fresh session, which takes
// the environment set up to then.
class XperfCommands : public ::testing::Test {
 protected:
  std::string Run(uint32_t command) {
    Session session;
    RoundTrip(session.pipe.get(), command);
    // The fake writes its record only when it ends, after its delay: the
    // record being there at the acknowledgement proves the wait.
    const std::string log = ReadFileBytes(temp_ / L"xperf.log");
    RoundTrip(session.pipe.get(), Done);  // still serving
    session.Finish();
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
            "100 -stackwalk profile -FileMode Circular -MaxFile 2000\nargc=14\n"
            "argv[1]=-on\nargv[2]=PROC_THREAD+LOADER+PROFILE\nargv[3]=-BufferSize\n"
            "argv[4]=1024\nargv[5]=-MinBuffers\nargv[6]=10\nargv[7]=-MaxBuffers\n"
            "argv[8]=100\nargv[9]=-stackwalk\nargv[10]=profile\nargv[11]=-FileMode\n"
            "argv[12]=Circular\nargv[13]=-MaxFile\nargv[14]=2000\n");
}

// The roaming folder as the shell resolves it, with a blank: the product
// folder is made before Xperf runs and the trace path is one argument.
TEST_F(XperfCommands, StopMergesIntoTraceFileInRoamingProductFolder) {
  const std::wstring roaming = temp_ / L"Ann Lee\\AppData\\Roaming";
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, roaming.c_str(), nullptr), ERROR_SUCCESS);
  std::string log;
  {
    ScopedValueOverride appData(HKEY_CURRENT_USER,
                                L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User "
                                L"Shell Folders",
                                L"AppData", REG_EXPAND_SZ, roaming);
    ScopedEnv check(L"VX_FAKE_XPERF_CHECK_PATH", roaming + L"\\Quillforge");
    log = Run(XperfStop);
  }
  const std::string tracePath = WideToUtf8(roaming + L"\\Quillforge\\qlfvxPerfData.etl");
  EXPECT_EQ(log, "exists=1\nparams=-stop -d \"" + tracePath +
                     "\"\nargc=3\nargv[1]=-stop\nargv[2]=-d\nargv[3]=" + tracePath + "\n");
}

TEST_F(XperfCommands, MissingXperfEndsTheCommandQuietly) {
  ScopedEnv noXperf(L"PATH", L"C:\\windows\\system32;C:\\windows");
  EXPECT_EQ(Run(XperfStart), "");
}

}  // namespace
