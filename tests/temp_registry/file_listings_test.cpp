#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"

using Names = std::vector<std::wstring>;

template <typename Container>
Names Sorted(const Container& items) {
  Names sorted(items.begin(), items.end());
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

TEST(FileListings, ByExtensionAndAsATree) {
  vxtest::TempFolder base(L"tree");
  for (const wchar_t* f : {L"s", L"s\\t", L"d.txt"}) ::CreateDirectoryW((base / f).c_str(), {});
  for (const wchar_t* file : {L"one.txt", L"two.TXT", L"f.log", L"s\\g", L"s\\t\\h", L"d.txt\\e"}) {
    vxtest::WriteFileBytes(base / file, "x");
  }
  wchar_t full[MAX_PATH] = {};
  ::GetFullPathNameW(base.path().c_str(), MAX_PATH, full, nullptr);
  const std::wstring root = full;

  fw::StringList list = {L"kept"};  // appended at the tail; matching folders too, not entered
  ListFilesWithExtension(base.path(), L"txt", list);
  EXPECT_TRUE(list.front() == L"kept" &&
              Sorted(list) == (Names{L"d.txt", L"kept", L"one.txt", L"two.TXT"}));
  fw::StringList slash, none;
  ListFilesWithExtension(base.path() + L"\\", L"log", slash);
  EXPECT_EQ(slash, fw::StringList{L"f.log"});
  ListFilesWithExtension(base / L"missing", L"txt", none);
  ListFilesWithExtension(base.path(), L"pdf", none);
  EXPECT_TRUE(none.empty());

  // Files at every depth; folders of the first level only, each before its contents.
  fw::StringArray with = {L"kept"}, without, missing;
  ListFolderTree(base.path(), with, true);
  const Names files = {root + L"\\d.txt\\e", root + L"\\f.log",   root + L"\\one.txt",
                       root + L"\\s\\g",     root + L"\\s\\t\\h", root + L"\\two.TXT"};
  Names expected = files;
  expected.insert(expected.end(), {root + L"\\d.txt", root + L"\\s", L"kept"});
  EXPECT_TRUE(with.front() == L"kept" && Sorted(with) == Sorted(expected));
  EXPECT_LT(std::find(with.begin(), with.end(), root + L"\\s"),
            std::find(with.begin(), with.end(), root + L"\\s\\g"));
  ListFolderTree(base.path() + L"\\", without, false);  // the doubled separator is folded
  EXPECT_EQ(Sorted(without), files);
  ListFolderTree(base / L"missing", missing, true);
  EXPECT_TRUE(missing.empty());
}
