// Folder listing, the shell's silent copy and the writable-folder check.

#include "library/system_files/system_files.h"
#include "library/system_files/folder_copy_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_support.h"

using vxtest::PathIsFolder;
using vxtest::ReadFileBytes;
using vxtest::TempFolder;
using vxtest::WriteFileBytes;
namespace detail = system_files::detail;

namespace {

std::string Ansi(const std::wstring& text) {
  char buffer[1024] = {};
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof(buffer), nullptr, nullptr);
  return buffer;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> items) {
  std::sort(items.begin(), items.end());
  return items;
}

}  // namespace

TEST(ListFolderEntries, OneLevelAppendedAfterWhatIsThere) {
  TempFolder base(L"entries");
  WriteFileBytes(base / L"a.txt", "a");
  WriteFileBytes(base / L"b.bin", "b");
  ::CreateDirectoryW((base / L"sub").c_str(), nullptr);
  WriteFileBytes(base / L"sub\\inner1", "1");
  WriteFileBytes(base / L"sub\\inner2", "2");

  fw::StringArray entries = {L"first"};
  EXPECT_TRUE(ListFolderEntries(Ansi(base.path()), entries));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0], L"first");
  EXPECT_EQ(Sorted({entries.begin() + 1, entries.end()}),
            (std::vector<std::wstring>{base / L"a.txt", base / L"b.bin", base / L"sub"}));

  // A folder ending in a separator gets none added.
  fw::StringArray slashed;
  EXPECT_TRUE(ListFolderEntries(Ansi(base.path() + L"\\sub\\"), slashed));
  EXPECT_EQ(Sorted(slashed),
            (std::vector<std::wstring>{base / L"sub\\inner1", base / L"sub\\inner2"}));
}

TEST(ListFolderEntries, MissingFolderAndNamesOutsideTheCodePage) {
  TempFolder base(L"entries");
  fw::StringArray entries = {L"kept"};
  EXPECT_TRUE(ListFolderEntries(Ansi(base / L"missing"), entries));
  EXPECT_EQ(entries, (fw::StringArray{L"kept"}));
  EXPECT_TRUE(ListFolderEntries("", entries));
  EXPECT_EQ(entries.size(), 1u);

  // The path travels through the ANSI code page and comes back as it shows it.
  const std::wstring odd = base / L"x\x4E2D\x03A9.txt";
  WriteFileBytes(odd, "o");
  fw::StringArray found;
  EXPECT_TRUE(ListFolderEntries(Ansi(base.path()), found));
  ASSERT_EQ(found.size(), 1u);
  wchar_t back[MAX_PATH] = {};
  const std::string narrow = Ansi(odd);
  ::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, back, MAX_PATH);
  EXPECT_EQ(found[0], back);
}

TEST(CopyFolderContents, SourcePatternAndListBuffers) {
  EXPECT_EQ(detail::CopySourcePattern(L"C:\\src"), L"C:\\src\\*");
  EXPECT_EQ(detail::CopySourcePattern(L"C:\\src\\"), L"C:\\src\\\\*");

  detail::ShellNameList list;
  list.fill(L'#');
  ASSERT_TRUE(detail::FillShellNameList(std::wstring(259, L'n'), list));
  EXPECT_EQ(list[258], L'n');
  EXPECT_EQ(list[259], L'\0');
  EXPECT_EQ(list[260], L'\0');
  ASSERT_TRUE(detail::FillShellNameList(L"ab", list));
  EXPECT_EQ(std::wstring(list.data(), 4), std::wstring(L"ab\0\0", 4));

  list.fill(L'#');
  EXPECT_FALSE(detail::FillShellNameList(std::wstring(260, L'n'), list));
  EXPECT_EQ(list[0], L'#');
}

TEST(CopyFolderContents, CopiesEverythingIntoAMissingDestination) {
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
  EXPECT_TRUE(vxtest::PathExists(source / L"top.txt"));  // a copy, not a move

  // Again, over what is there: replaced without a question.
  WriteFileBytes(source / L"top.txt", "changed");
  EXPECT_TRUE(CopyFolderContents(source.path(), destination));
  EXPECT_EQ(ReadFileBytes(destination + L"\\top.txt"), "changed");
}

TEST(CopyFolderContents, SourceEndingInBackslash) {
  TempFolder source(L"copysrc");
  TempFolder target(L"copydst");
  WriteFileBytes(source / L"f", "f");
  // The list ends in "\\*"; the shell answers success either way. Windows
  // folds the doubled separator and copies; Wine's shell finds nothing to
  // copy there.
  EXPECT_TRUE(CopyFolderContents(source.path() + L"\\", target / L"slashed"));
  const bool underWine =
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  EXPECT_EQ(vxtest::PathExists(target / L"slashed\\f"), !underWine);
  EXPECT_TRUE(vxtest::PathExists(source / L"f"));
}

TEST(CopyFolderContents, FailuresGiveFalse) {
  TempFolder source(L"copysrc");
  TempFolder target(L"copydst");
  WriteFileBytes(source / L"f", "f");

  // The shell refuses: the destination lies on a drive that does not exist.
  std::wstring missingDrive;
  const DWORD drives = ::GetLogicalDrives();
  for (wchar_t letter = L'Q'; letter <= L'Y' && missingDrive.empty(); ++letter) {
    if (!(drives & (1u << (letter - L'A')))) missingDrive = std::wstring(1, letter) + L":\\x";
  }
  ASSERT_FALSE(missingDrive.empty());
  EXPECT_FALSE(CopyFolderContents(source.path(), missingDrive));

  // Too long for the shell's buffers: refused before the shell is asked.
  const std::wstring longSource =
      source.path() + L"\\" + std::wstring(257 - source.path().size(), L'l');
  ASSERT_EQ(longSource.size(), 258u);  // 260 with "\\*"
  EXPECT_FALSE(CopyFolderContents(longSource, target / L"long"));
  EXPECT_FALSE(vxtest::PathExists(target / L"long"));
  EXPECT_FALSE(CopyFolderContents(source.path(), target.path() + L"\\" + std::wstring(300, L'd')));
}

TEST(EnsureWritableFolder, ExistingOneLevelAndMissingParent) {
  TempFolder base(L"writable");
  EXPECT_TRUE(EnsureWritableFolder(base.path()));
  EXPECT_TRUE(EnsureWritableFolder(base / L"made"));
  EXPECT_TRUE(PathIsFolder(base / L"made"));
  EXPECT_FALSE(EnsureWritableFolder(base / L"no\\parent"));
  EXPECT_FALSE(vxtest::PathExists(base / L"no"));

  // A read-only file of that name exists, so nothing is made, and it may not
  // be written.
  WriteFileBytes(base / L"locked", "l");
  ::SetFileAttributesW((base / L"locked").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(EnsureWritableFolder(base / L"locked"));
  ::SetFileAttributesW((base / L"locked").c_str(), FILE_ATTRIBUTE_NORMAL);
}
