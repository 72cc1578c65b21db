#include "library/launch_shell/file_version_text.h"
#include "library/launch_shell/launch_shell.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using launch_shell::detail::StringTablePrefix;

TEST(GetFileVersionString, TablePrefixBuiltFilesAndFilesWithoutAVersion) {
  const DWORD entries[] = {MAKELONG(0x0407, 1252), MAKELONG(0x0409, 0x04B0), 0xABCDFFFFu};
  EXPECT_EQ(StringTablePrefix(entries, sizeof(entries)), L"\\StringFileInfo\\040704e4\\");
  EXPECT_EQ(StringTablePrefix(&entries[2], 4), L"\\StringFileInfo\\ffffabcd\\");
  EXPECT_EQ(StringTablePrefix(entries, 3), L"\\StringFileInfo\\000904e4\\");

  vxtest::TempFolder folder(L"vxversion");
  vxtest::WriteFileBytes(folder / L"notes.txt", "FileVersion 1.0\r\n");
  const std::wstring built = vxtest::BinFolder() + L"\\doubles\\versions\\";
  const std::pair<std::wstring, const wchar_t*> cases[] = {
      {built + L"version_0409_04b0.exe", L"1.2.3.4"},
      {built + L"no_translation.exe", L"5.6.7.8"},
      {built + L"product_version_only.exe", L" 28.1.0.0080, SP02; (beta) "},
      {built + L"version_carrier.exe", L""},  // no version resource at all
      {folder / L"notes.txt", L""},
      {folder / L"missing.exe", L""},
      {L"", L""},
  };
  for (const auto& [path, text] : cases)
    EXPECT_EQ(GetFileVersionString(path.c_str()), text) << vxtest::WideToUtf8(path);
  EXPECT_EQ(GetFileVersionString(nullptr), L"");
}
