// Path splitting as pure text: every routine on a table of cases.

#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

TEST(PathStrings, EveryRoutineOnItsCases) {
  using Routine = bool (*)(const std::wstring&, std::wstring&);
  const Routine folder = [](const std::wstring& p, std::wstring& o) {
    return GetPathFolder(p, o, false);
  };
  const Routine folderWithSeparator = [](const std::wstring& p, std::wstring& o) {
    return GetPathFolder(p, o, true);
  };
  const struct {
    Routine routine;
    const wchar_t *path, *expected;  // the result is true exactly when expected is not empty
  } cases[] = {{folder, L"C:\\a\\b.txt", L"C:\\a"},
               {folder, L"http://host/dir/page.htm", L"http://host/dir"},
               {folder, L"HTTP://host/a\\b/c\\d", L"HTTP://host/a\\b"},
               {folder, L"C:\\x/y/z", L"C:"},
               {folder, L"b.txt", L""},
               {folder, L"", L""},
               {folder, L"\\", L""},
               {folderWithSeparator, L"C:\\a\\b.txt", L"C:\\a\\"},
               {folderWithSeparator, L"http://host/dir/page.htm", L"http://host/dir/"},
               {folderWithSeparator, L"b.txt", L""},
               {folderWithSeparator, L"\\", L"\\"},
               {GetPathDrive, L"C:\\a", L"C"},
               {GetPathDrive, L"local:path:more", L"local"},
               {GetPathDrive, L"http://host:80/x", L""},
               {GetPathDrive, L"Https:rest", L""},
               {GetPathDrive, L"relative\\path", L""},
               {GetPathDrive, L":lead", L""},
               {GetPathDrive, L"", L""},
               {GetPathExtension, L"C:\\my.dir\\file", L"dir\\file"},
               {GetPathExtension, L"archive.tar.gz", L"gz"},
               {GetPathExtension, L"http://h/p.aspx", L"aspx"},
               {GetPathExtension, L"noext", L""},
               {GetPathExtension, L"trailing.", L""},
               {GetPathExtension, L"", L""},
               {GetPathFileName, L"C:\\a\\b.txt", L"b.txt"},
               {GetPathFileName, L"b.txt", L"b.txt"},
               {GetPathFileName, L"http://h/dir\\x/page.htm", L"page.htm"},
               {GetPathFileName, L"C:\\a/b.txt", L"a/b.txt"},
               {GetPathFileName, L"C:\\folder\\", L""},
               {GetPathFileName, L"", L""},
               {GetPathFileTitle, L"C:\\a\\b.tar.gz", L"b.tar"},
               {GetPathFileTitle, L"C:\\my.dir\\file", L"file"},
               {GetPathFileTitle, L"http://h/x/page.htm", L"page"},
               {GetPathFileTitle, L"C:\\a\\.hidden", L""},
               {GetPathFileTitle, L"plain", L"plain"},
               {GetPathFileTitle, L"", L""}};
  for (const auto& c : cases) {
    std::wstring output = L"stale";
    const bool result = c.routine(c.path, output);
    EXPECT_EQ(output, c.expected) << (&c - cases);
    EXPECT_EQ(result, !output.empty()) << (&c - cases);
  }
  const std::pair<const wchar_t*, const wchar_t*> repeated[] = {
      {L"report.pdf.pdf.pdf", L"report.pdf"},
      {L"a.txt.TXT", L"a.TXT"},
      {L"archive.tar.gz", L"archive.tar.gz"},
      {L".txt.txt", L".txt.txt"},
      {L"x.txt.txt", L"x.txt"},
      {L"noext", L"noext"},
      {L"", L""},
      {L"C:\\d.pdf\\f.pdf.pdf", L"C:\\d.pdf\\f.pdf"},
  };
  for (const auto& [path, expected] : repeated) {
    EXPECT_EQ(RemoveRepeatedExtension(path), expected) << vxtest::WideToUtf8(path);
  }
}

TEST(AddSortedNoCase, InsertsInOrderAndKeepsArrivalOrderOfEquals) {
  fw::StringList destination = {L"alpha", L"gamma"};
  AddSortedNoCase({L"beta", L"Alpha"}, destination);
  AddSortedNoCase({}, destination);
  EXPECT_EQ(destination, (fw::StringList{L"alpha", L"Alpha", L"beta", L"gamma"}));
  fw::StringList empty;
  AddSortedNoCase({L"b", L"B", L"a", L"b", L"A"}, empty);
  EXPECT_EQ(empty, (fw::StringList{L"a", L"A", L"b", L"B", L"b"}));
  fw::StringList tail = {L"a"};
  AddSortedNoCase({L"zeta", L"ZETA"}, tail);
  EXPECT_EQ(tail, (fw::StringList{L"a", L"zeta", L"ZETA"}));
}
