#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"

using namespace vxtest;

TEST(PathStrings, EveryRoutineOnItsCases) {
  using Routine = bool (*)(const std::wstring&, std::wstring&);
  const struct {
    Routine routine;
    std::vector<const wchar_t*> pathThenExpected;  // true exactly when expected is not empty
  } cases[] = {
      {[](const std::wstring& p, std::wstring& o) { return GetPathFolder(p, o, false); },
       {L"C:\\a\\b.txt", L"C:\\a", L"HTTP://host/a\\b/c\\d", L"HTTP://host/a\\b", L"C:\\x/y/z",
        L"C:", L"b.txt", L"", L"\\", L""}},
      {[](const std::wstring& p, std::wstring& o) { return GetPathFolder(p, o, true); },
       {L"http://host/dir/page.htm", L"http://host/dir/", L"\\", L"\\"}},
      {GetPathDrive,
       {L"local:path:more", L"local", L"http://host:80/x", L"", L"relative\\path", L"", L":lead",
        L""}},
      {GetPathExtension,
       {L"C:\\my.dir\\file", L"dir\\file", L"archive.tar.gz", L"gz", L"trailing.", L""}},
      {GetPathFileName,
       {L"http://h/dir\\x/page.htm", L"page.htm", L"C:\\a/b.txt", L"a/b.txt", L"C:\\folder\\",
        L""}},
      {GetPathFileTitle,
       {L"C:\\a\\b.tar.gz", L"b.tar", L"C:\\my.dir\\file", L"file", L"C:\\a\\.hidden", L""}},
      {[](const std::wstring& p, std::wstring& o) {
         return !(o = RemoveRepeatedExtension(p)).empty();
       },
       {L"report.pdf.pdf.pdf", L"report.pdf", L"a.txt.TXT", L"a.TXT", L".txt.txt", L".txt.txt",
        L"C:\\d.pdf\\f.pdf.pdf", L"C:\\d.pdf\\f.pdf"}},
  };
  for (const auto& c : cases) {
    for (size_t i = 0; i + 1 < c.pathThenExpected.size(); i += 2) {
      std::wstring output = L"stale";
      const bool result = c.routine(c.pathThenExpected[i], output);
      EXPECT_EQ(output, c.pathThenExpected[i + 1]) << (&c - cases) << ": " << i / 2;
      EXPECT_EQ(result, !output.empty()) << (&c - cases) << ": " << i / 2;
    }
  }
}

TEST(AddSortedNoCase, InsertsInOrderAndKeepsArrivalOrderOfEquals) {
  fw::StringList destination = {L"alpha", L"gamma"};
  AddSortedNoCase({L"zeta", L"beta", L"Alpha", L"ZETA"}, destination);
  EXPECT_EQ(destination, (fw::StringList{L"alpha", L"Alpha", L"beta", L"gamma", L"zeta", L"ZETA"}));
  EXPECT_EQ(fw::detail::OrdinalOrder(0), -1);  // a failed comparison is never "equal"
}

using Names = std::vector<std::wstring>;

template <typename Container>
Names Sorted(const Container& items) {
  Names sorted(items.begin(), items.end());
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

TEST(FileListings, ByExtensionAndAsATree) {
  TempFolder base(L"tree");
  for (const wchar_t* f : {L"s", L"s\\t", L"d.txt"}) ::CreateDirectoryW((base / f).c_str(), {});
  for (const wchar_t* file : {L"one.txt", L"two.TXT", L"s\\g", L"s\\t\\h", L"d.txt\\e"}) {
    WriteFileBytes(base / file, "x");
  }
  wchar_t full[MAX_PATH] = {};
  ::GetFullPathNameW(base.path().c_str(), MAX_PATH, full, nullptr);
  const std::wstring root = full;
  fw::StringList list = {L"kept"}, none;  // appended at the tail; matching folders too, not entered
  ListFilesWithExtension(base.path() + L"\\", L"txt", list);
  ListFilesWithExtension(base / L"missing", L"txt", none);
  EXPECT_TRUE(none.empty() && list.front() == L"kept" &&
              Sorted(list) == (Names{L"d.txt", L"kept", L"one.txt", L"two.TXT"}));
  // Files at every depth; folders of the first level only, each before its contents.
  fw::StringArray with = {L"kept"}, without;
  ListFolderTree(base.path(), with, true);
  const Names files = {root + L"\\d.txt\\e", root + L"\\one.txt", root + L"\\s\\g",
                       root + L"\\s\\t\\h", root + L"\\two.TXT"};
  Names expected = files;
  expected.insert(expected.end(), {root + L"\\d.txt", root + L"\\s", L"kept"});
  EXPECT_TRUE(with.front() == L"kept" && Sorted(with) == Sorted(expected));
  EXPECT_LT(std::find(with.begin(), with.end(), root + L"\\s"),
            std::find(with.begin(), with.end(), root + L"\\s\\g"));
  ListFolderTree(base.path() + L"\\", without, false);  // the doubled separator is folded
  EXPECT_EQ(Sorted(without), files);
}
