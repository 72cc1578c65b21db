// Xperf start and stop through the pipe: exact parameters, the wait, the trace folder.

#include <gtest/gtest.h>
#include <shlobj.h>

#include "tests/support/test_support.h"

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
            "100 -stackwalk profile -FileMode Circular -MaxFile 2000\n");
}

// A roaming folder with a blank: made before Xperf runs, the path one argument.
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
  EXPECT_EQ(log, "exists=1\nparams=-stop -d \"" + tracePath + "\"\n");
}

TEST_F(XperfCommands, MissingXperfEndsTheCommandQuietly) {
  ScopedEnv noXperf(L"PATH", L"C:\\windows\\system32;C:\\windows");
  EXPECT_EQ(Run(XperfStart), "");
}

}  // namespace
