#include <gtest/gtest.h>

#include <algorithm>

#include "library/system_files/process_identity_text.h"
#include "library/system_files/system_files.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace system_files::detail;

// Runs a copy of the probe named name, which starts itself; gives what that child wrote.
static std::string IdentityUnderParent(const std::wstring& name, const wchar_t* mode = L"spawn") {
  TempFolder folder(L"identity");
  const std::wstring parent = folder / name;
  EXPECT_TRUE(::CopyFileW(BinPath(L"system_probe.exe").c_str(), parent.c_str(), FALSE));
  const std::wstring out = folder / L"identity.txt";
  Running child{StartChild(L"\"" + parent + L"\" " + mode + L" \"" + out + L"\"")};
  EXPECT_EQ(WaitExit(child, 30000), 0u);
  // With spawn-leave the reporting child outlives its parent: read until its last line is whole.
  std::string text;
  Eventually([&] { return std::ranges::count(text = ReadFileBytes(out), '\n') == 2; }, 15000);
  return text;
}

TEST(ProcessIdentity, OwnFolderModuleNamesAndTheProductJudgedByTheRealParent) {
  EXPECT_EQ(OwnFolderFromModulePath(L"D:\\a b\\c.d\\tool.exe"), L"D:\\a b\\c.d");
  EXPECT_EQ(OwnFolderFromModulePath(L"qlfvx.exe") + OwnFolderFromModulePath(L""), L"..");
  std::wstring text = L"stale";
  EXPECT_TRUE(GetOwnFolder(text) && text == BinFolder());
  std::wstring unknown;  // ids are multiples of four, none this high
  GetProcessModuleName(::GetCurrentProcessId(), text);
  GetProcessModuleName(0xFFFFFFF0u, unknown);
  EXPECT_EQ(text + L" " + unknown, L"process_identity_test.exe <unknown>");
  EXPECT_EQ(LaunchingProductForExecutable(L"quillforgewirewright.EXE"), L"QUILLFORGE Wirewright");
  EXPECT_EQ(LaunchingProductForExecutable(L"qlfmain.exe.bak"), L"");
  EXPECT_EQ(IdentityUnderParent(L"qlfmain.exe"), "parent=qlfmain.exe\nproduct=QUILLFORGE\n");
  EXPECT_EQ(IdentityUnderParent(L"oldqlfmain.exe"), "parent=oldqlfmain.exe\nproduct=\n");
  EXPECT_EQ(IdentityUnderParent(L"qlfmain.exe", L"spawn-leave"), "parent=<unknown>\nproduct=\n");
}
