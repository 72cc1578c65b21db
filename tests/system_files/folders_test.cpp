#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"

using namespace vxtest;

TEST(Folders, EntriesOfOneLevelACopyOverWhatIsThereAndWritableFolders) {
  TempFolder source(L"copysrc"), target(L"copydst");
  ::CreateDirectoryW((source / L"sub").c_str(), nullptr);
  WriteFileBytes(source / L"top.txt", "top");
  WriteFileBytes(source / L"sub\\leaf.bin", "leaf");
  fw::StringArray entries = {L"first"};  // appended after what is there
  EXPECT_TRUE(ListFolderEntries(WideToUtf8(source.path()), entries));
  std::sort(entries.begin() + 1, entries.end());
  EXPECT_EQ(entries, (fw::StringArray{L"first", source / L"sub", source / L"top.txt"}));
  // A folder ending in a separator gets none added; a missing one adds nothing.
  EXPECT_TRUE(ListFolderEntries(WideToUtf8(source.path() + L"\\sub\\"), entries) &&
              ListFolderEntries(WideToUtf8(source / L"missing"), entries));
  EXPECT_TRUE(entries.back() == source / L"sub\\leaf.bin" && entries.size() == 4u);

  const std::wstring destination = target / L"new";
  EXPECT_TRUE(CopyFolderContents(source.path(), destination));
  WriteFileBytes(source / L"top.txt", "changed");  // again: replaced without a question
  EXPECT_TRUE(CopyFolderContents(source.path(), destination));
  EXPECT_EQ(ReadFileBytes(destination + L"\\top.txt") + ReadFileBytes(source / L"top.txt") +
                ReadFileBytes(destination + L"\\sub\\leaf.bin"),
            "changedchangedleaf");
  // Too long for the shell's buffers (260 with "\*"), or empty (the drive's root).
  EXPECT_FALSE(
      CopyFolderContents(source.path() + L"\\" + std::wstring(257 - source.path().size(), L'l'),
                         target / L"long") ||
      CopyFolderContents(L"", target / L"empty"));
  EXPECT_FALSE(PathExists(target / L"long") || PathExists(target / L"empty"));

  EXPECT_TRUE(EnsureWritableFolder(target.path()) && EnsureWritableFolder(target / L"made") &&
              PathIsFolder(target / L"made"));
  EXPECT_FALSE(EnsureWritableFolder(target / L"no\\parent") || PathExists(target / L"no"));
  WriteFileBytes(target / L"locked", "l");
  ::SetFileAttributesW((target / L"locked").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(EnsureWritableFolder(target / L"locked"));
}

TEST(TraceNames, GivenFolderUnchangedEmptyFolderTheRoamingProductFolderAndVersions) {
  std::wstring path = L"stale";
  EXPECT_TRUE(GetTraceFilePath(path, L"D:\\traces\\") &&
              path == L"D:\\traces\\\\qlfvxPerfData.etl");
  EXPECT_TRUE(GetPerformanceFolder(path, L"D:\\x") && path == L"D:\\x\\performance");
  wchar_t appData[MAX_PATH] = {};
  ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  const std::wstring product = std::wstring(appData) + L"\\Quillforge";
  ::RemoveDirectoryW(product.c_str());  // only when empty
  EXPECT_TRUE(GetTraceFilePath(path, L"") && path == product + L"\\qlfvxPerfData.etl" &&
              PathIsFolder(product));
  EXPECT_TRUE(GetPerformanceFolder(path, L"") && path == product + L"\\performance" &&
              !PathExists(path));  // named, not made
  EXPECT_TRUE(IsNumericVersion(L"28.1.0") && IsNumericVersion(L".") && !IsNumericVersion(L"") &&
              !IsNumericVersion(L"1.0a") && !IsNumericVersion(L"28.1 "));
}
