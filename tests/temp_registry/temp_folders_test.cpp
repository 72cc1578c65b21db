#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using vxtest::PathExists;
using vxtest::PathIsFolder;
using vxtest::ScopedEnv;
using vxtest::TempFolder;

namespace {

struct ScopedCurrentDirectory {  // restored at scope end
  explicit ScopedCurrentDirectory(const std::wstring& folder) {
    ::GetCurrentDirectoryW(MAX_PATH, old);
    EXPECT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  }
  ~ScopedCurrentDirectory() { ::SetCurrentDirectoryW(old); }
  wchar_t old[MAX_PATH] = {};
};

}  // namespace

TEST(TempFolders, TmpServesWhenTempIsUnsetAndTempWinsOverTmp) {
  TempFolder base(L"tmpvar"), other(L"tempvar"), unused(L"tmpvar");
  const std::wstring process = L"qfx" + std::to_wstring(::GetCurrentProcessId());
  {
    ScopedEnv temp(L"TEMP", std::nullopt), tmp(L"TMP", base.path());
    EXPECT_TRUE(GetAutoTempFolder() == base.path() + L"\\qfxauto\\" &&
                PathIsFolder(base / L"qfxauto"));
    EXPECT_EQ(GetAutoTempFilePath(L"x.dat"), base.path() + L"\\qfxauto\\x.dat");
    EXPECT_TRUE(GetProcessTempFolder(true) == base.path() + L"\\" + process + L"\\" &&
                PathIsFolder(base / process));
    EXPECT_EQ(GetProcessTempFilePath(L"y", true), base.path() + L"\\" + process + L"\\y");
    EXPECT_EQ(GetProcessTempFolder(false), base.path() + L"\\");
    EXPECT_EQ(GetProcessTempFilePath(L"y", false), base.path() + L"\\y");
  }
  ScopedEnv temp(L"TEMP", other.path()), tmp(L"TMP", unused.path());
  ::CreateDirectoryW((other / L"qfxauto").c_str(), nullptr);
  vxtest::WriteFileBytes(other / L"qfxauto\\kept", "k");
  EXPECT_EQ(GetAutoTempFolder(), other.path() + L"\\qfxauto\\");
  EXPECT_TRUE(vxtest::ReadFileBytes(other / L"qfxauto\\kept") == "k" &&
              !PathExists(unused / L"qfxauto"));
}

TEST(TempFolders, NeitherSetGivesEmptyTextsAndABackslashEndGetsASecondOne) {
  TempFolder cwd(L"nocreate");
  {
    ScopedCurrentDirectory inside(cwd.path());
    ScopedEnv temp(L"TEMP", std::nullopt), tmp(L"TMP", std::nullopt);
    for (const std::wstring& text :
         {GetAutoTempFolder(), GetAutoTempFilePath(L"n"), GetProcessTempFolder(true),
          GetProcessTempFolder(false), GetProcessTempFilePath(L"n", true),
          GetProcessTempFilePath(L"n", false)}) {
      EXPECT_EQ(text, L"");
    }
    EXPECT_FALSE(PathExists(cwd / L"qfxauto") || PathExists(L"\\qfxauto"));
  }
  ScopedEnv temp(L"TEMP", cwd.path() + L"\\");
  EXPECT_EQ(GetProcessTempFolder(false), cwd.path() + L"\\\\");
  EXPECT_TRUE(GetAutoTempFolder() == cwd.path() + L"\\\\qfxauto\\" &&
              PathIsFolder(cwd / L"qfxauto"));
}

TEST(FolderQuestions, TextRulesAbsoluteAndRelativeCasesFilesAndReadOnly) {
  TempFolder base(L"exists");
  ::CreateDirectoryW((base / L"sub").c_str(), nullptr);
  const std::wstring file = base / L"f", missing = base / L"m";
  vxtest::WriteFileBytes(file, "f");
  // Wildcards take effect: any matching folder will do, files do not.
  for (const std::wstring& yes : std::initializer_list<std::wstring>{
           L"http", L"hTtPs:missing", L"C:", L"Q:\\", base / L"sub\\", base / L"*"}) {
    EXPECT_TRUE(FolderExists(yes)) << vxtest::WideToUtf8(yes);
  }
  for (const std::wstring& no :
       std::initializer_list<std::wstring>{L"", L"\\", L"htt", file, missing, base / L"f*"}) {
    EXPECT_FALSE(FolderExists(no)) << vxtest::WideToUtf8(no);
  }
  // Existing, with a trailing backslash and an empty component; not over a file.
  EXPECT_TRUE(CreateFolderPath(base / L"a\\b\\c") && CreateFolderPath(base / L"a\\b\\c\\"));
  EXPECT_TRUE(CreateFolderPath(base / L"a\\\\x\\y") && PathIsFolder(base / L"a\\x\\y"));
  EXPECT_FALSE(CreateFolderPath(L"") || CreateFolderPath(file + L"\\below"));
  ScopedCurrentDirectory inside(base.path());
  EXPECT_FALSE(CreateFolderPath(L"first\\second") || PathExists(base / L"first"));
  EXPECT_TRUE(CreateFolderPath(L"a\\new\\newer") && PathIsFolder(base / L"a\\new\\newer"));
  std::wstring bare = L"bare";  // no separator: made where we stand
  EXPECT_TRUE(EnsureFolderExists(bare.data(), true) && PathIsFolder(base / bare));
  std::wstring named = file, absent = missing, nested = base / L"x\\y", under = file + L"\\s";
  EXPECT_TRUE(EnsureFolderExists(named.data(), false));  // anything of that name
  EXPECT_FALSE(EnsureFolderExists(absent.data(), false) || PathExists(missing));
  EXPECT_TRUE(EnsureFolderExists(nested.data(), true) && PathIsFolder(nested));
  EXPECT_EQ(nested, base / L"x\\y");  // the buffer is given back as it came
  EXPECT_FALSE(EnsureFolderExists(under.data(), true) || EnsureFolderExists(nullptr, true));
  EXPECT_EQ(under, file + L"\\s");

  EXPECT_FALSE(FileExists(missing) || FileExists(base.path()) || FileExists(L""));
  fw::unique_hfile held(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(held && FileExists(file));  // held by someone who lets us read: still there
  EXPECT_TRUE(!IsFileReadOnly(file) && IsFileReadOnly(missing));
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(IsFileReadOnly(file));
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}
