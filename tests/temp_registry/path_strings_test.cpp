#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

TEST(PathStrings, EveryRoutineOnItsCases) {
  using Routine = bool (*)(const std::wstring&, std::wstring&);
  const struct {
    Routine routine;
    std::vector<const wchar_t*> pathThenExpected;  // true exactly when expected is not empty
  } cases[] = {
      {[](const std::wstring& p, std::wstring& o) { return GetPathFolder(p, o, false); },
       {L"C:\\a\\b.txt", L"C:\\a", L"http://host/dir/page.htm", L"http://host/dir",
        L"HTTP://host/a\\b/c\\d", L"HTTP://host/a\\b", L"C:\\x/y/z", L"C:", L"b.txt", L"", L"", L"",
        L"\\", L""}},
      {[](const std::wstring& p, std::wstring& o) { return GetPathFolder(p, o, true); },
       {L"C:\\a\\b.txt", L"C:\\a\\", L"http://host/dir/page.htm", L"http://host/dir/", L"b.txt",
        L"", L"\\", L"\\"}},
      {GetPathDrive,
       {L"C:\\a", L"C", L"local:path:more", L"local", L"http://host:80/x", L"", L"Https:rest", L"",
        L"relative\\path", L"", L":lead", L"", L"", L""}},
      {GetPathExtension,
       {L"C:\\my.dir\\file", L"dir\\file", L"archive.tar.gz", L"gz", L"http://h/p.aspx", L"aspx",
        L"noext", L"", L"trailing.", L"", L"", L""}},
      {GetPathFileName,
       {L"C:\\a\\b.txt", L"b.txt", L"b.txt", L"b.txt", L"http://h/dir\\x/page.htm", L"page.htm",
        L"C:\\a/b.txt", L"a/b.txt", L"C:\\folder\\", L"", L"", L""}},
      {GetPathFileTitle,
       {L"C:\\a\\b.tar.gz", L"b.tar", L"C:\\my.dir\\file", L"file", L"http://h/x/page.htm", L"page",
        L"C:\\a\\.hidden", L"", L"plain", L"plain", L"", L""}},
      {[](const std::wstring& p, std::wstring& o) {
         return !(o = RemoveRepeatedExtension(p)).empty();
       },
       {L"report.pdf.pdf.pdf", L"report.pdf", L"a.txt.TXT", L"a.TXT", L"archive.tar.gz",
        L"archive.tar.gz", L".txt.txt", L".txt.txt", L"x.txt.txt", L"x.txt", L"noext", L"noext",
        L"", L"", L"C:\\d.pdf\\f.pdf.pdf", L"C:\\d.pdf\\f.pdf"}},
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
  fw::StringList destination = {L"alpha", L"gamma"}, empty, tail = {L"a"};
  AddSortedNoCase({L"beta", L"Alpha"}, destination);
  AddSortedNoCase({}, destination);
  EXPECT_EQ(destination, (fw::StringList{L"alpha", L"Alpha", L"beta", L"gamma"}));
  AddSortedNoCase({L"b", L"B", L"a", L"b", L"A"}, empty);
  EXPECT_EQ(empty, (fw::StringList{L"a", L"A", L"b", L"B", L"b"}));
  AddSortedNoCase({L"zeta", L"ZETA"}, tail);
  EXPECT_EQ(tail, (fw::StringList{L"a", L"zeta", L"ZETA"}));
  EXPECT_EQ(fw::detail::OrdinalOrder(0), -1);  // a failed comparison is never "equal"
}
