// The temporary folders, folder creation and the small file questions.

#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/test_support.h"

using vxtest::PathExists;
using vxtest::PathIsFolder;
using vxtest::ScopedEnv;
using vxtest::TempFolder;

namespace {

std::wstring ProcessFolderName() { return L"qfx" + std::to_wstring(::GetCurrentProcessId()); }

// Restores the current directory at scope end.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::wstring& folder) {
    wchar_t old[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, old);
    old_ = old;
    EXPECT_TRUE(::SetCurrentDirectoryW(folder.c_str()));
  }
  ~ScopedCurrentDirectory() { ::SetCurrentDirectoryW(old_.c_str()); }
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

 private:
  std::wstring old_;
};

}  // namespace

TEST(TempFolders, TmpServesWhenTempIsUnset) {
  TempFolder base(L"tmpvar");
  ScopedEnv temp(L"TEMP", std::nullopt);
  ScopedEnv tmp(L"TMP", base.path());

  EXPECT_EQ(GetAutoTempFolder(), base.path() + L"\\qfxauto\\");
  EXPECT_TRUE(PathIsFolder(base / L"qfxauto"));
  EXPECT_EQ(GetAutoTempFilePath(L"x.dat"), base.path() + L"\\qfxauto\\x.dat");

  EXPECT_EQ(GetProcessTempFolder(true), base.path() + L"\\" + ProcessFolderName() + L"\\");
  EXPECT_TRUE(PathIsFolder(base / ProcessFolderName()));
  EXPECT_EQ(GetProcessTempFilePath(L"y", true), base.path() + L"\\" + ProcessFolderName() + L"\\y");
  EXPECT_EQ(GetProcessTempFolder(false), base.path() + L"\\");
  EXPECT_EQ(GetProcessTempFilePath(L"y", false), base.path() + L"\\y");
}

TEST(TempFolders, TempWinsOverTmpAndExistingFoldersAreKept) {
  TempFolder first(L"tempvar");
  TempFolder second(L"tmpvar");
  ScopedEnv temp(L"TEMP", first.path());
  ScopedEnv tmp(L"TMP", second.path());
  ::CreateDirectoryW((first / L"qfxauto").c_str(), nullptr);
  vxtest::WriteFileBytes(first / L"qfxauto\\kept", "k");

  EXPECT_EQ(GetAutoTempFolder(), first.path() + L"\\qfxauto\\");
  EXPECT_EQ(vxtest::ReadFileBytes(first / L"qfxauto\\kept"), "k");
  EXPECT_FALSE(PathExists(second / L"qfxauto"));
}

TEST(TempFolders, NoTemporaryFolderGivesEmptyTextsAndCreatesNothing) {
  TempFolder cwd(L"nocreate");
  ScopedCurrentDirectory inside(cwd.path());
  ScopedEnv temp(L"TEMP", std::nullopt);
  ScopedEnv tmp(L"TMP", std::nullopt);

  EXPECT_EQ(GetAutoTempFolder(), L"");
  EXPECT_EQ(GetAutoTempFilePath(L"name"), L"");
  EXPECT_EQ(GetProcessTempFolder(true), L"");
  EXPECT_EQ(GetProcessTempFolder(false), L"");
  EXPECT_EQ(GetProcessTempFilePath(L"name", true), L"");
  EXPECT_EQ(GetProcessTempFilePath(L"name", false), L"");
  EXPECT_FALSE(PathExists(cwd / L"qfxauto"));
  EXPECT_FALSE(PathExists(L"\\qfxauto"));
}

TEST(TempFolders, ValueEndingInBackslashGetsASecondOne) {
  TempFolder base(L"slash");
  ScopedEnv temp(L"TEMP", base.path() + L"\\");
  EXPECT_EQ(GetProcessTempFolder(false), base.path() + L"\\\\");
  EXPECT_EQ(GetAutoTempFolder(), base.path() + L"\\\\qfxauto\\");
  EXPECT_TRUE(PathIsFolder(base / L"qfxauto"));
}

TEST(FolderExists, TextRulesWithoutTheDisk) {
  for (const wchar_t* yes :
       {L"http", L"HTTP://nowhere/x", L"hTtPs:missing", L"C:", L"C:\\", L"Q:", L"Q:\\"}) {
    EXPECT_TRUE(FolderExists(yes)) << vxtest::WideToUtf8(yes);
  }
  for (const wchar_t* no : {L"", L"\\", L"htt", L"\\\\"}) {
    EXPECT_FALSE(FolderExists(no)) << vxtest::WideToUtf8(no);
  }
}

TEST(FolderExists, OnTheDisk) {
  TempFolder base(L"exists");
  ::CreateDirectoryW((base / L"sub").c_str(), nullptr);
  vxtest::WriteFileBytes(base / L"file.txt", "f");

  EXPECT_TRUE(FolderExists(base / L"sub"));
  EXPECT_TRUE(FolderExists(base / L"sub\\"));
  EXPECT_FALSE(FolderExists(base / L"file.txt"));
  EXPECT_FALSE(FolderExists(base / L"missing"));
  // Wildcards take effect: any matching folder will do, files do not.
  EXPECT_TRUE(FolderExists(base / L"*"));
  EXPECT_FALSE(FolderExists(base / L"*.txt"));
}

TEST(CreateFolderPath, MakesEveryMissingLevel) {
  TempFolder base(L"create");
  const std::wstring deep = base / L"a\\b\\c";
  EXPECT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(PathIsFolder(base / L"a"));
  EXPECT_TRUE(PathIsFolder(base / L"a\\b"));
  EXPECT_TRUE(PathIsFolder(deep));
  // Existing, and with a trailing backslash and an empty component.
  EXPECT_TRUE(CreateFolderPath(deep + L"\\"));
  EXPECT_TRUE(CreateFolderPath(base / L"a\\\\x\\y"));
  EXPECT_TRUE(PathIsFolder(base / L"a\\x\\y"));
  EXPECT_FALSE(CreateFolderPath(L""));
  // A file in the way: the folder cannot be made.
  vxtest::WriteFileBytes(base / L"plain", "p");
  EXPECT_FALSE(CreateFolderPath(base / L"plain\\below"));
}

TEST(CreateFolderPath, RelativePathWithMissingFirstComponent) {
  TempFolder base(L"relative");
  ScopedCurrentDirectory inside(base.path());
  EXPECT_FALSE(CreateFolderPath(L"first\\second\\third"));
  EXPECT_FALSE(PathExists(base / L"first"));
  EXPECT_FALSE(CreateFolderPath(L"single"));
  EXPECT_FALSE(PathExists(base / L"single"));

  // Below an existing relative folder the missing levels are made.
  ::CreateDirectoryW((base / L"here").c_str(), nullptr);
  EXPECT_TRUE(CreateFolderPath(L"here\\new\\newer"));
  EXPECT_TRUE(PathIsFolder(base / L"here\\new\\newer"));
}

TEST(EnsureFolderExists, ExistingMissingAndNested) {
  TempFolder base(L"ensure");
  vxtest::WriteFileBytes(base / L"file", "f");

  std::wstring file = base / L"file";
  EXPECT_TRUE(EnsureFolderExists(file.data(), false));  // anything of that name
  std::wstring missing = base / L"m";
  EXPECT_FALSE(EnsureFolderExists(missing.data(), false));
  EXPECT_FALSE(PathExists(missing));

  std::wstring nested = base / L"x\\y\\z";
  const std::wstring original = nested;
  EXPECT_TRUE(EnsureFolderExists(nested.data(), true));
  EXPECT_EQ(nested, original);  // the buffer is given back as it came
  EXPECT_TRUE(PathIsFolder(nested));

  std::wstring underFile = base / L"file\\sub";
  EXPECT_FALSE(EnsureFolderExists(underFile.data(), true));
  EXPECT_EQ(underFile, base / L"file\\sub");

  std::wstring noSeparator = L"vx_no_such_relative_folder_9";
  ScopedCurrentDirectory inside(base.path());
  EXPECT_TRUE(EnsureFolderExists(noSeparator.data(), true));
  EXPECT_TRUE(PathIsFolder(base / noSeparator));
  EXPECT_FALSE(EnsureFolderExists(nullptr, true));
}

TEST(FileQuestions, FileExistsAndReadOnly) {
  TempFolder base(L"files");
  const std::wstring file = base / L"f.txt";
  vxtest::WriteFileBytes(file, "data");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(base / L"missing.txt"));
  EXPECT_FALSE(FileExists(base.path()));
  EXPECT_FALSE(FileExists(L""));

  // Opened by someone else who allows reading: still there for us.
  {
    fw::unique_hfile held(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_TRUE(FileExists(file));
  }

  EXPECT_FALSE(IsFileReadOnly(file));
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(IsFileReadOnly(file));
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(IsFileReadOnly(base / L"missing.txt"));
}
