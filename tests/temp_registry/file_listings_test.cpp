// File listings on real folders.

#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"

using vxtest::TempFolder;

namespace {

template <typename Container>
std::vector<std::wstring> Sorted(const Container& items) {
  std::vector<std::wstring> sorted(items.begin(), items.end());
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH] = {};
  ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return full;
}

}  // namespace

TEST(ListFilesWithExtension, NamesOfMatchesAppendedAtTheTail) {
  TempFolder base(L"listext");
  vxtest::WriteFileBytes(base / L"one.txt", "1");
  vxtest::WriteFileBytes(base / L"two.TXT", "2");
  vxtest::WriteFileBytes(base / L"three.log", "3");
  ::CreateDirectoryW((base / L"folder.txt").c_str(), nullptr);
  vxtest::WriteFileBytes(base / L"folder.txt\\deep.txt", "4");

  fw::StringList list = {L"kept"};
  ListFilesWithExtension(base.path(), L"txt", list);
  ASSERT_EQ(list.front(), L"kept");
  list.pop_front();
  // Folders that match are listed too; nothing below is entered.
  EXPECT_EQ(Sorted(list), (std::vector<std::wstring>{L"folder.txt", L"one.txt", L"two.TXT"}));

  fw::StringList slash;
  ListFilesWithExtension(base.path() + L"\\", L"log", slash);
  EXPECT_EQ(slash, (fw::StringList{L"three.log"}));

  fw::StringList none;
  ListFilesWithExtension(base / L"missing", L"txt", none);
  ListFilesWithExtension(base.path(), L"pdf", none);
  EXPECT_TRUE(none.empty());
}

TEST(ListFilesWithExtension, EmptyFolderSearchesTheCurrentDrivesRoot) {
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(::GetWindowsDirectoryW(windows, MAX_PATH), 3u);  // C:\windows: a folder in the root
  wchar_t old[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, old);
  ASSERT_TRUE(::SetCurrentDirectoryW(windows));
  fw::StringList list;
  ListFilesWithExtension(L"", L"*", list);
  ::SetCurrentDirectoryW(old);
  EXPECT_NE(std::find_if(list.begin(), list.end(),
                         [&](const std::wstring& name) {
                           return fw::CompareNoCase(name, std::wstring(windows + 3)) == 0;
                         }),
            list.end());
}

TEST(ListFolderTree, FilesAtEveryDepthFoldersOnlyFirstLevel) {
  TempFolder base(L"tree");
  vxtest::WriteFileBytes(base / L"f", "f");
  ::CreateDirectoryW((base / L"s").c_str(), nullptr);
  vxtest::WriteFileBytes(base / L"s\\g", "g");
  ::CreateDirectoryW((base / L"s\\t").c_str(), nullptr);
  vxtest::WriteFileBytes(base / L"s\\t\\h", "h");
  const std::wstring root = FullPath(base.path());

  fw::StringArray with = {L"kept"};
  ListFolderTree(base.path(), with, true);
  ASSERT_EQ(with.front(), L"kept");
  with.erase(with.begin());
  EXPECT_EQ(Sorted(with), (std::vector<std::wstring>{root + L"\\f", root + L"\\s", root + L"\\s\\g",
                                                     root + L"\\s\\t\\h"}));
  // A folder's own path stands before its contents.
  const auto folder = std::find(with.begin(), with.end(), root + L"\\s");
  const auto inside = std::find(with.begin(), with.end(), root + L"\\s\\g");
  EXPECT_LT(folder, inside);

  fw::StringArray without;
  ListFolderTree(base.path() + L"\\", without, false);  // the doubled separator is folded
  EXPECT_EQ(Sorted(without),
            (std::vector<std::wstring>{root + L"\\f", root + L"\\s\\g", root + L"\\s\\t\\h"}));

  fw::StringArray missing;
  ListFolderTree(base / L"missing", missing, true);
  EXPECT_TRUE(missing.empty());
}
