// The version text of files built with version resources for the purpose,
// and the string-table name the text is looked up under.

#include "library/launch_shell/file_version_text.h"
#include "library/launch_shell/launch_shell.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

using launch_shell::detail::StringTablePrefix;

namespace {

std::wstring VersionFile(const std::wstring& name) {
  return vxtest::BinFolder() + L"\\doubles\\versions\\" + name;
}

}  // namespace

TEST(StringTablePrefix, FirstTranslationEntryInLowerCaseHex) {
  const DWORD usUnicode = MAKELONG(0x0409, 0x04B0);
  EXPECT_EQ(StringTablePrefix(&usUnicode, 4), L"\\StringFileInfo\\040904b0\\");

  const DWORD two[] = {MAKELONG(0x0407, 1252), MAKELONG(0x0409, 0x04B0)};
  EXPECT_EQ(StringTablePrefix(two, sizeof(two)), L"\\StringFileInfo\\040704e4\\");

  const DWORD extremes[] = {0xABCDFFFFu, 0u};
  EXPECT_EQ(StringTablePrefix(&extremes[0], 4), L"\\StringFileInfo\\ffffabcd\\");
  EXPECT_EQ(StringTablePrefix(&extremes[1], 4), L"\\StringFileInfo\\00000000\\");
}

TEST(StringTablePrefix, NoUsableTableGivesLanguage0009WithCodePage1252) {
  const DWORD usUnicode = MAKELONG(0x0409, 0x04B0);
  EXPECT_EQ(StringTablePrefix(nullptr, 0), L"\\StringFileInfo\\000904e4\\");
  EXPECT_EQ(StringTablePrefix(nullptr, 4), L"\\StringFileInfo\\000904e4\\");
  EXPECT_EQ(StringTablePrefix(&usUnicode, 0), L"\\StringFileInfo\\000904e4\\");
  EXPECT_EQ(StringTablePrefix(&usUnicode, 3), L"\\StringFileInfo\\000904e4\\");
}

TEST(GetFileVersionString, ReadsTheTableTheTranslationNames) {
  // The file also has a 000904e4 table with another text.
  EXPECT_EQ(GetFileVersionString(VersionFile(L"version_0409_04b0.exe").c_str()), L"1.2.3.4");
  // The first of two entries counts.
  EXPECT_EQ(GetFileVersionString(VersionFile(L"verbatim_text.exe").c_str()),
            L" 28.1.0.0080, SP02; (beta) ");
}

TEST(GetFileVersionString, WithoutTranslationTheTableIs000904e4) {
  // A 040904e4 table with another text is passed over: the language is 0x0009.
  EXPECT_EQ(GetFileVersionString(VersionFile(L"no_translation_dll.dll").c_str()), L"5.6.7.8");
}

TEST(GetFileVersionString, ProductVersionWhenThereIsNoFileVersionKeptAsStored) {
  EXPECT_EQ(GetFileVersionString(VersionFile(L"product_version_only.exe").c_str()), L"28.1.0.0080");
}

TEST(GetFileVersionString, EmptyWhenNothingCanBeRead) {
  // The translation names a table the file does not have.
  EXPECT_EQ(GetFileVersionString(VersionFile(L"no_matching_table_dll.dll").c_str()), L"");
  // No version resource at all.
  EXPECT_EQ(GetFileVersionString(VersionFile(L"version_carrier.exe").c_str()), L"");
  // A text file is not an executable.
  vxtest::TempFolder folder(L"vxversion");
  vxtest::WriteFileBytes(folder / L"notes.txt", "FileVersion 1.0\r\n");
  EXPECT_EQ(GetFileVersionString((folder / L"notes.txt").c_str()), L"");
  // A folder, a missing file, an empty path and no path.
  EXPECT_EQ(GetFileVersionString(folder.path().c_str()), L"");
  EXPECT_EQ(GetFileVersionString((folder / L"missing.exe").c_str()), L"");
  EXPECT_EQ(GetFileVersionString(L""), L"");
  EXPECT_EQ(GetFileVersionString(nullptr), L"");
}
