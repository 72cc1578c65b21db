#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "library/system_files/folder_copy_list.h"
#include "tests/support/test_support.h"

using vxtest::PathExists;
using vxtest::ReadFileBytes;
using vxtest::TempFolder;
using vxtest::WriteFileBytes;

TEST(ListFolderEntries, OneLevelAppendedAfterWhatIsThere) {
  TempFolder base(L"entries");
  WriteFileBytes(base / L"a.txt", "a");
  ::CreateDirectoryW((base / L"sub").c_str(), nullptr);
  WriteFileBytes(base / L"sub\\inner", "1");

  fw::StringArray entries = {L"first"};
  EXPECT_TRUE(ListFolderEntries(vxtest::WideToUtf8(base.path()), entries));
  std::sort(entries.begin() + 1, entries.end());
  EXPECT_EQ(entries, (fw::StringArray{L"first", base / L"a.txt", base / L"sub"}));
  // A folder ending in a separator gets none added; a missing one adds nothing.
  EXPECT_TRUE(ListFolderEntries(vxtest::WideToUtf8(base.path() + L"\\sub\\"), entries));
  EXPECT_TRUE(ListFolderEntries(vxtest::WideToUtf8(base / L"missing"), entries));
  EXPECT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries.back(), base / L"sub\\inner");
}

TEST(CopyFolderContents, MissingDestinationAgainOverItSlashedSourceAndTooLongPaths) {
  TempFolder source(L"copysrc");
  TempFolder target(L"copydst");
  WriteFileBytes(source / L"top.txt", "top");
  ::CreateDirectoryW((source / L"sub").c_str(), nullptr);
  ::CreateDirectoryW((source / L"sub\\deep").c_str(), nullptr);
  WriteFileBytes(source / L"sub\\deep\\leaf.bin", "leaf");
  const std::wstring destination = target / L"new";
  EXPECT_TRUE(CopyFolderContents(source.path(), destination));
  EXPECT_EQ(ReadFileBytes(destination + L"\\top.txt"), "top");
  EXPECT_EQ(ReadFileBytes(destination + L"\\sub\\deep\\leaf.bin"), "leaf");
  EXPECT_TRUE(PathExists(source / L"top.txt"));  // a copy, not a move
  // Again, over what is there: replaced without a question.
  WriteFileBytes(source / L"top.txt", "changed");
  EXPECT_TRUE(CopyFolderContents(source.path(), destination));
  EXPECT_EQ(ReadFileBytes(destination + L"\\top.txt"), "changed");

  // Too long for the shell's list buffers: refused before the shell is asked.
  const std::wstring longSource =
      source.path() + L"\\" + std::wstring(257 - source.path().size(), L'l');
  ASSERT_EQ(longSource.size(), 258u);  // 260 with "\\*"
  EXPECT_FALSE(CopyFolderContents(longSource, target / L"long"));
  EXPECT_FALSE(PathExists(target / L"long"));
  // An empty source is refused: its "\*" would copy the current drive's root.
  ASSERT_EQ(system_files::detail::CopySourcePattern(L""), L"");
  EXPECT_FALSE(CopyFolderContents(L"", target / L"empty"));
}

TEST(EnsureWritableFolder, ExistingOneLevelAndMissingParent) {
  TempFolder base(L"writable");
  EXPECT_TRUE(EnsureWritableFolder(base.path()));
  EXPECT_TRUE(EnsureWritableFolder(base / L"made"));
  EXPECT_TRUE(vxtest::PathIsFolder(base / L"made"));
  EXPECT_FALSE(EnsureWritableFolder(base / L"no\\parent"));
  EXPECT_FALSE(PathExists(base / L"no"));

  // A read-only file of that name: nothing is made, and it may not be written.
  WriteFileBytes(base / L"locked", "l");
  ::SetFileAttributesW((base / L"locked").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(EnsureWritableFolder(base / L"locked"));
  ::SetFileAttributesW((base / L"locked").c_str(), FILE_ATTRIBUTE_NORMAL);
}
