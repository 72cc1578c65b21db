// Xperf start and stop through the real pipe, with the fake Xperf.exe on
// PATH: the exact parameters, the wait for its end, the trace folder.

#include <gtest/gtest.h>
#include <shlobj.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::wstring RoamingFolder() {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

class XperfCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = temp_ / L"xperf.log";
    server_ = StartElevatedTasksForThisProcess();
    pipe_ = ConnectPipe();
    ASSERT_TRUE(pipe_);
  }
  void TearDown() override {
    if (pipe_) RoundTrip(pipe_.get(), Quit);
    pipe_.reset();
    EXPECT_EQ(WaitExit(server_, 10000), 0u);
    KillChild(server_);
  }
  std::string Log() { return ReadFileBytes(log_); }

  TempFolder temp_{L"vxxperf"};
  std::wstring log_;
  // The environment is set before the server starts and passed on to Xperf.
  ScopedEnv path_{L"PATH", FakeXperfFolder() + L";C:\\windows\\system32;C:\\windows"};
  ScopedEnv logEnv_{L"VX_FAKE_XPERF_LOG", temp_ / L"xperf.log"};
  ScopedEnv delay_{L"VX_FAKE_XPERF_DELAY_MS", L"1500"};
  Child server_;
  fw::unique_hfile pipe_;
};

TEST_F(XperfCommands, StartPassesTheStartParametersAndWaitsForTheEnd) {
  RoundTrip(pipe_.get(), XperfStart);
  // The fake writes its record only when it ends, after its delay: the
  // record being there when the acknowledgement arrives proves the wait.
  EXPECT_EQ(Log(),
            "params=-on PROC_THREAD+LOADER+PROFILE -BufferSize 1024 -MinBuffers 10 -MaxBuffers "
            "100 -stackwalk profile -FileMode Circular -MaxFile 2000\n"
            "argc=14\n"
            "argv[1]=-on\nargv[2]=PROC_THREAD+LOADER+PROFILE\nargv[3]=-BufferSize\n"
            "argv[4]=1024\nargv[5]=-MinBuffers\nargv[6]=10\nargv[7]=-MaxBuffers\n"
            "argv[8]=100\nargv[9]=-stackwalk\nargv[10]=profile\nargv[11]=-FileMode\n"
            "argv[12]=Circular\nargv[13]=-MaxFile\nargv[14]=2000\n");
}

TEST_F(XperfCommands, StopMergesIntoTraceFileInRoamingProductFolder) {
  const std::wstring product = RoamingFolder() + L"\\Quillforge";
  RemoveTree(product);
  ASSERT_FALSE(PathExists(product));
  ScopedEnv check(L"VX_FAKE_XPERF_CHECK_PATH", product);
  // The check path is read by the fake, which the server starts later: the
  // server took its environment at start, so restart it with the check set.
  RoundTrip(pipe_.get(), Quit);
  pipe_.reset();
  ASSERT_EQ(WaitExit(server_, 10000), 0u);
  server_ = StartElevatedTasksForThisProcess();
  pipe_ = ConnectPipe();
  ASSERT_TRUE(pipe_);

  RoundTrip(pipe_.get(), XperfStop);
  const std::string tracePath = WideToUtf8(product + L"\\qlfvxPerfData.etl");
  EXPECT_EQ(Log(), "exists=1\nparams=-stop -d " + tracePath + "\nargc=3\nargv[1]=-stop\n" +
                       "argv[2]=-d\nargv[3]=" + tracePath + "\n");
  EXPECT_TRUE(PathIsFolder(product));
}

TEST_F(XperfCommands, TracePathWithBlankReachesXperfAsOneArgument) {
  const std::wstring roaming = temp_ / L"Ann Lee\\AppData\\Roaming";
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, roaming.c_str(), nullptr), ERROR_SUCCESS);
  const auto old = ReadRawValue(HKEY_CURRENT_USER, kShellFolders, L"AppData");
  fw::unique_hkey key;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_SET_VALUE, key.put()),
            ERROR_SUCCESS);
  const auto bytes = SzBytes(roaming);
  ASSERT_EQ(::RegSetValueExW(key.get(), L"AppData", 0, REG_EXPAND_SZ, bytes.data(),
                             static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);

  RoundTrip(pipe_.get(), XperfStop);

  if (old) {
    ::RegSetValueExW(key.get(), L"AppData", 0, old->type, old->data.data(),
                     static_cast<DWORD>(old->data.size()));
  }
  const std::string tracePath = WideToUtf8(roaming + L"\\Quillforge\\qlfvxPerfData.etl");
  EXPECT_EQ(Log(), "params=-stop -d \"" + tracePath + "\"\nargc=3\nargv[1]=-stop\n" +
                       "argv[2]=-d\nargv[3]=" + tracePath + "\n");
  EXPECT_TRUE(PathIsFolder(roaming + L"\\Quillforge"));
}

TEST_F(XperfCommands, MissingXperfEndsTheCommandQuietly) {
  RoundTrip(pipe_.get(), Quit);
  pipe_.reset();
  ASSERT_EQ(WaitExit(server_, 10000), 0u);
  {
    ScopedEnv noXperf(L"PATH", L"C:\\windows\\system32;C:\\windows");
    server_ = StartElevatedTasksForThisProcess();
  }
  pipe_ = ConnectPipe();
  ASSERT_TRUE(pipe_);
  RoundTrip(pipe_.get(), XperfStart);
  RoundTrip(pipe_.get(), Done);  // still serving
  EXPECT_EQ(Log(), "");
}

}  // namespace
