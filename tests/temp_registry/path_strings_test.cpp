// Path splitting as pure text, tables of cases.

#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

using PathRoutine = bool (*)(const std::wstring&, std::wstring&);

struct Case {
  const wchar_t* path;
  const wchar_t* expected;
};

void Check(PathRoutine routine, std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    std::wstring output = L"stale";
    const bool result = routine(c.path, output);
    EXPECT_EQ(output, c.expected) << vxtest::WideToUtf8(c.path);
    EXPECT_EQ(result, !output.empty()) << vxtest::WideToUtf8(c.path);
  }
}

bool FolderWithout(const std::wstring& path, std::wstring& out) {
  return GetPathFolder(path, out, false);
}
bool FolderWith(const std::wstring& path, std::wstring& out) {
  return GetPathFolder(path, out, true);
}

}  // namespace

TEST(PathStrings, Folder) {
  Check(FolderWithout, {{L"C:\\a\\b.txt", L"C:\\a"},
                        {L"http://host/dir/page.htm", L"http://host/dir"},
                        {L"HTTP://host/a\\b/c\\d", L"HTTP://host/a\\b"},
                        {L"C:\\x/y/z", L"C:"},
                        {L"b.txt", L""},
                        {L"", L""},
                        {L"\\", L""}});
  Check(FolderWith, {{L"C:\\a\\b.txt", L"C:\\a\\"},
                     {L"http://host/dir/page.htm", L"http://host/dir/"},
                     {L"b.txt", L""},
                     {L"\\", L"\\"}});
}

TEST(PathStrings, Drive) {
  Check(GetPathDrive, {{L"C:\\a", L"C"},
                       {L"local:path:more", L"local"},
                       {L"http://host:80/x", L""},
                       {L"Https:rest", L""},
                       {L"relative\\path", L""},
                       {L":lead", L""},
                       {L"", L""}});
}

TEST(PathStrings, Extension) {
  Check(GetPathExtension, {{L"C:\\my.dir\\file", L"dir\\file"},
                           {L"archive.tar.gz", L"gz"},
                           {L"http://h/p.aspx", L"aspx"},
                           {L"noext", L""},
                           {L"trailing.", L""},
                           {L"", L""}});
}

TEST(PathStrings, FileNameAndTitle) {
  Check(GetPathFileName, {{L"C:\\a\\b.txt", L"b.txt"},
                          {L"b.txt", L"b.txt"},
                          {L"http://h/dir\\x/page.htm", L"page.htm"},
                          {L"C:\\a/b.txt", L"a/b.txt"},
                          {L"C:\\folder\\", L""},
                          {L"", L""}});
  Check(GetPathFileTitle, {{L"C:\\a\\b.tar.gz", L"b.tar"},
                           {L"C:\\my.dir\\file", L"file"},
                           {L"http://h/x/page.htm", L"page"},
                           {L"C:\\a\\.hidden", L""},
                           {L"plain", L"plain"},
                           {L"", L""}});
}

TEST(PathStrings, RemoveRepeatedExtension) {
  const Case cases[] = {
      {L"report.pdf.pdf.pdf", L"report.pdf"},
      {L"a.txt.TXT", L"a.TXT"},
      {L"archive.tar.gz", L"archive.tar.gz"},
      {L".txt.txt", L".txt.txt"},
      {L"x.txt.txt", L"x.txt"},
      {L"noext", L"noext"},
      {L"", L""},
      {L"C:\\d.pdf\\f.pdf.pdf", L"C:\\d.pdf\\f.pdf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemoveRepeatedExtension(c.path), c.expected) << vxtest::WideToUtf8(c.path);
  }
}

TEST(AddSortedNoCase, InsertsInOrderAndKeepsArrivalOrderOfEquals) {
  fw::StringList destination = {L"alpha", L"gamma"};
  AddSortedNoCase({L"beta", L"Alpha"}, destination);
  EXPECT_EQ(destination, (fw::StringList{L"alpha", L"Alpha", L"beta", L"gamma"}));

  AddSortedNoCase({}, destination);
  EXPECT_EQ(destination.size(), 4u);

  fw::StringList empty;
  AddSortedNoCase({L"b", L"B", L"a", L"b", L"A"}, empty);
  EXPECT_EQ(empty, (fw::StringList{L"a", L"A", L"b", L"B", L"b"}));

  fw::StringList tail = {L"a"};
  AddSortedNoCase({L"zeta", L"ZETA"}, tail);
  EXPECT_EQ(tail, (fw::StringList{L"a", L"zeta", L"ZETA"}));
}
