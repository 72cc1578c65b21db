#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"

using namespace vxtest;

// Each case is "path>expected", cases apart by '|'; true exactly when expected is not empty.
TEST(PathsAndListings, EveryPathRoutineListingsAndSortingWithoutCase) {
  using Routine = bool (*)(const std::wstring&, std::wstring&);
  const std::pair<Routine, std::wstring> routines[] = {
      {[](const std::wstring& p, std::wstring& o) { return GetPathFolder(p, o, false); },
       L"C:\\a\\b.txt>C:\\a|HTTP://host/a\\b/c\\d>HTTP://host/a\\b|C:\\x/y/z>C:|b.txt>|\\>"},
      {[](const std::wstring& p, std::wstring& o) { return GetPathFolder(p, o, true); },
       L"http://host/dir/page.htm>http://host/dir/|\\>\\"},
      {GetPathDrive, L"local:path:more>local|http://host:80/x>|relative\\path>|:lead>"},
      {GetPathExtension, L"C:\\my.dir\\file>dir\\file|archive.tar.gz>gz|trailing.>"},
      {GetPathFileName, L"http://h/dir\\x/page.htm>page.htm|C:\\a/b.txt>a/b.txt|C:\\folder\\>"},
      {GetPathFileTitle, L"C:\\a\\b.tar.gz>b.tar|C:\\my.dir\\file>file|C:\\a\\.hidden>"},
      {[](const std::wstring& p, std::wstring& o) {
         return !(o = RemoveRepeatedExtension(p)).empty();
       },
       L"report.pdf.pdf.pdf>report.pdf|a.txt.TXT>a.TXT|.txt.txt>.txt.txt|C:\\d.pdf\\f.pdf.pdf>C:"
       L"\\d.pdf\\f.pdf"},
  };
  for (const auto& [routine, cases] : routines) {
    for (size_t start = 0, end; start < cases.size(); start = end + 1) {
      end = std::min(cases.find(L'|', start), cases.size());
      const size_t arrow = cases.find(L'>', start);
      std::wstring output = L"stale";
      const bool result = routine(cases.substr(start, arrow - start), output);
      EXPECT_TRUE(output == cases.substr(arrow + 1, end - arrow - 1) && result == !output.empty())
          << WideToUtf8(cases.substr(start, end - start)) << " gave " << WideToUtf8(output);
    }
  }
  fw::StringList destination = {L"alpha", L"gamma"};
  AddSortedNoCase({L"zeta", L"beta", L"Alpha", L"ZETA"}, destination);
  EXPECT_EQ(destination, (fw::StringList{L"alpha", L"Alpha", L"beta", L"gamma", L"zeta", L"ZETA"}));
  EXPECT_EQ(fw::detail::OrdinalOrder(0), -1);  // a failed comparison is never "equal"
  using Names = std::vector<std::wstring>;
  const auto sorted = [](Names items) { return std::sort(items.begin(), items.end()), items; };
  TempFolder base(L"tree");
  for (const wchar_t* f : {L"s", L"s\\t", L"d.txt"}) ::CreateDirectoryW((base / f).c_str(), {});
  for (const wchar_t* file : {L"one.txt", L"two.TXT", L"s\\g", L"s\\t\\h", L"d.txt\\e"})
    WriteFileBytes(base / file, "x");
  wchar_t full[MAX_PATH] = {};
  ::GetFullPathNameW(base.path().c_str(), MAX_PATH, full, nullptr);
  const std::wstring root = full;
  fw::StringList list = {L"kept"}, none;  // appended at the tail; matching folders too, not entered
  ListFilesWithExtension(base.path() + L"\\", L"txt", list);
  ListFilesWithExtension(base / L"missing", L"txt", none);
  EXPECT_TRUE(none.empty() && list.front() == L"kept" &&
              sorted({list.begin(), list.end()}) ==
                  (Names{L"d.txt", L"kept", L"one.txt", L"two.TXT"}));
  // Files at every depth; folders of the first level only, each before its contents.
  fw::StringArray with = {L"kept"}, without;
  ListFolderTree(base.path(), with, true);
  const Names files = {root + L"\\d.txt\\e", root + L"\\one.txt", root + L"\\s\\g",
                       root + L"\\s\\t\\h", root + L"\\two.TXT"};
  Names expected = files;
  expected.insert(expected.end(), {root + L"\\d.txt", root + L"\\s", L"kept"});
  EXPECT_TRUE(with.front() == L"kept" && sorted(with) == sorted(expected));
  EXPECT_LT(std::find(with.begin(), with.end(), root + L"\\s"),
            std::find(with.begin(), with.end(), root + L"\\s\\g"));
  ListFolderTree(base.path() + L"\\", without, false);  // the doubled separator is folded
  EXPECT_EQ(sorted(without), files);
}
