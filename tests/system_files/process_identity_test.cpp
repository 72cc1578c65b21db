// The running program's folder, module names of processes, and the product
// judged by the parent's executable name, with real parent processes.

#include <gtest/gtest.h>

#include "library/system_files/process_identity_text.h"
#include "library/system_files/system_files.h"
#include "tests/support/test_support.h"

using namespace system_files::detail;

TEST(OwnFolderRule, TextBeforeTheLastBackslashOrDot) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
  } const cases[] = {
      {L"C:\\qlfvx.exe", L"C:"},  // drive root: no trailing backslash
      {L"C:\\Apps\\Vx\\qlfvx.exe", L"C:\\Apps\\Vx"},
      {L"D:\\a b\\c.d\\e\\tool.exe", L"D:\\a b\\c.d\\e"},
      {L"qlfvx.exe", L"."},    // no backslash at all
      {L"\\qlfvx.exe", L"."},  // the only backslash is the first character
      {L"", L"."},             // what a failed module-name query leaves
      {L"\\\\server\\share\\vx.exe", L"\\\\server\\share"},
      {L"C:\\Apps\\", L"C:\\Apps"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(OwnFolderFromModulePath(c.path), c.folder) << vxtest::WideToUtf8(c.path);
  }
}

TEST(OwnFolderRule, LongPathsAreKeptWhole) {
  const std::wstring folder = L"C:\\" + std::wstring(300, L'a');
  EXPECT_EQ(OwnFolderFromModulePath(folder + L"\\vx.exe"), folder);
}

TEST(LaunchingProductTable, WholeNameIgnoringCaseInTableOrder) {
  struct Case {
    const wchar_t* parent;
    const wchar_t* product;
  } const cases[] = {
      {L"qlfmain.exe", L"QUILLFORGE"},
      {L"QLFMAIN.EXE", L"QUILLFORGE"},
      {L"QUILLFORGEWirewright.exe", L"QUILLFORGE Wirewright"},
      {L"quillforgewirewright.EXE", L"QUILLFORGE Wirewright"},
      {L"Sceneloom.exe", L"QUILLFORGE Sceneloom"},
      {L"oldqlfmain.exe", L""},
      {L"qlfmain.exe.bak", L""},
      {L"qlfmain", L""},
      {L"<unknown>", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LaunchingProductForExecutable(c.parent), c.product) << vxtest::WideToUtf8(c.parent);
  }
}

TEST(GetOwnFolder, IsTheFolderOfTheTestProgram) {
  std::wstring folder = L"stale";
  EXPECT_TRUE(GetOwnFolder(folder));
  EXPECT_EQ(folder, vxtest::BinFolder());
  EXPECT_NE(folder.back(), L'\\');
}

TEST(GetProcessModuleName, NamesTheExecutableOrUnknown) {
  std::wstring name = L"stale";
  GetProcessModuleName(::GetCurrentProcessId(), name);
  EXPECT_EQ(name, L"process_identity_test.exe");

  vxtest::Child child = vxtest::StartChild(L"\"" + vxtest::BinPath(L"sleeper.exe") + L"\" 20000");
  ASSERT_TRUE(child.process);
  // A process just created has no module list until its loader has run.
  for (int i = 0; i < 100; ++i) {
    GetProcessModuleName(child.pid, name);
    if (name != L"<unknown>") break;
    ::Sleep(50);
  }
  EXPECT_EQ(name, L"sleeper.exe");
  vxtest::KillChild(child);
  const DWORD endedPid = child.pid;
  child.process.reset();  // the last handle: the id is free again
  GetProcessModuleName(endedPid, name);
  EXPECT_EQ(name, L"<unknown>");

  // Ids are multiples of four; this one is far beyond any that Windows hands out.
  name = L"stale";
  GetProcessModuleName(0xFFFFFFF0u, name);
  EXPECT_EQ(name, L"<unknown>");
}

namespace {

struct Identity {
  std::string parent;
  std::string product;
};

// Copies the probe into a folder of its own under parentName, lets it start
// a copy of itself, and reads what that child saw.
Identity IdentityUnderParent(const std::wstring& parentName, const wchar_t* mode = L"spawn") {
  vxtest::TempFolder folder(L"identity");
  const std::wstring parent = folder / parentName;
  EXPECT_TRUE(::CopyFileW(vxtest::BinPath(L"identity_probe.exe").c_str(), parent.c_str(), FALSE));
  const std::wstring out = folder / L"identity.txt";
  vxtest::Child child = vxtest::StartChild(L"\"" + parent + L"\" " + mode + L" \"" + out + L"\"");
  EXPECT_EQ(vxtest::WaitExit(child, 30000), 0u);
  // With spawn-leave the reporting child outlives its parent.
  for (int i = 0; i < 300 && !vxtest::PathExists(out); ++i) ::Sleep(50);
  ::Sleep(100);
  const std::string text = vxtest::ReadFileBytes(out);
  Identity identity;
  const size_t parentAt = text.find("parent=");
  const size_t productAt = text.find("\nproduct=");
  if (parentAt != 0 || productAt == std::string::npos) {
    ADD_FAILURE() << "probe wrote: " << text;
    return identity;
  }
  identity.parent = text.substr(7, productAt - 7);
  identity.product = text.substr(productAt + 9);
  if (!identity.product.empty() && identity.product.back() == '\n') identity.product.pop_back();
  return identity;
}

}  // namespace

TEST(LaunchingProduct, JudgedByTheRealParentsExecutableName) {
  struct Case {
    const wchar_t* parentName;
    const char* product;
  } const cases[] = {
      {L"qlfmain.exe", "QUILLFORGE"},
      {L"QLFMAIN.EXE", "QUILLFORGE"},
      {L"QUILLFORGEWirewright.exe", "QUILLFORGE Wirewright"},
      {L"Sceneloom.exe", "QUILLFORGE Sceneloom"},
      {L"oldqlfmain.exe", ""},  // contains a row's name, but the whole name must match
      {L"vxtool.exe", ""},
  };
  for (const Case& c : cases) {
    const Identity identity = IdentityUnderParent(c.parentName);
    EXPECT_EQ(identity.parent, vxtest::WideToUtf8(c.parentName));
    EXPECT_EQ(identity.product, c.product) << vxtest::WideToUtf8(c.parentName);
  }
}

TEST(LaunchingProduct, AParentThatHasEndedIsUnknownAndNoProduct) {
  const Identity identity = IdentityUnderParent(L"qlfmain.exe", L"spawn-leave");
  EXPECT_EQ(identity.parent, "<unknown>");
  EXPECT_EQ(identity.product, "");
}
