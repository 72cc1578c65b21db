// The volume probe, UTF-16 text files, multibyte writing and the store path.

#include "library/temp_registry/temp_registry.h"
#include "library/temp_registry/text_files_detail.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_support.h"

using vxtest::ReadFileBytes;
using vxtest::TempFolder;
using vxtest::WriteFileBytes;
namespace detail = temp_registry::detail;

namespace {

uint64_t Position(fw::File& file) {
  uint64_t position = 99;
  EXPECT_TRUE(file.GetPosition(position));
  return position;
}

std::wstring UnusedDriveRoot() {
  const DWORD used = ::GetLogicalDrives();
  for (int letter = 'Q'; letter <= 'Y'; ++letter) {
    if (!(used & (1u << (letter - 'A')))) return std::wstring(1, wchar_t(letter)) + L":\\";
  }
  return L"";
}

}  // namespace

TEST(IsVolumeWriteProtected, FixedDiskWithRemovableOnlyIsNotTouched) {
  fw::FileError error{fw::FileError::badSeek, 77};
  EXPECT_FALSE(IsVolumeWriteProtected(L"C:\\", &error, true));
  EXPECT_FALSE(IsVolumeWriteProtected(L"C:", &error, true));
  EXPECT_EQ(error.osError, 77);  // nothing reported for a volume not probed
}

TEST(IsVolumeWriteProtected, WritableVolumeTakesItsOwnLabelBack) {
  // C: of the test's own prefix: the label read is written back unchanged.
  wchar_t before[MAX_PATH] = {};
  ASSERT_TRUE(
      ::GetVolumeInformationW(L"C:\\", before, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0));
  fw::FileError error{fw::FileError::badSeek, 77};
  EXPECT_FALSE(IsVolumeWriteProtected(L"C:", &error, false));
  EXPECT_EQ(error.osError, 77);
  wchar_t after[MAX_PATH] = {};
  ASSERT_TRUE(
      ::GetVolumeInformationW(L"C:\\", after, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_STREQ(after, before);
}

TEST(IsVolumeWriteProtected, MissingVolumeFillsTheErrorRecord) {
  const std::wstring root = UnusedDriveRoot();
  ASSERT_FALSE(root.empty());
  fw::FileError error;
  EXPECT_TRUE(IsVolumeWriteProtected(root.substr(0, 2), &error, false));
  EXPECT_NE(error.osError, 0);
  EXPECT_EQ(error.cause, fw::OsErrorToCause(error.osError));
  EXPECT_NE(error.cause, fw::FileError::none);
  EXPECT_TRUE(IsVolumeWriteProtected(root, nullptr, false));
  // With removable-only, a volume that is not there is not removable.
  EXPECT_FALSE(IsVolumeWriteProtected(root, &error, true));
}

TEST(IsVolumeWriteProtected, EmptyRootNamesNoVolume) {
  fw::FileError error;
  EXPECT_TRUE(IsVolumeWriteProtected(L"", &error, false));
  EXPECT_EQ(error.osError, ERROR_INVALID_NAME);
  EXPECT_EQ(error.cause, fw::FileError::badPath);
  EXPECT_TRUE(IsVolumeWriteProtected(L"", nullptr, true));
}

TEST(IsVolumeWriteProtected, ErrorModeIsRestored) {
  const UINT before = ::SetErrorMode(SEM_NOOPENFILEERRORBOX);
  const std::wstring root = UnusedDriveRoot();
  IsVolumeWriteProtected(L"C:\\", nullptr, false);
  IsVolumeWriteProtected(root, nullptr, false);
  EXPECT_EQ(::SetErrorMode(before), static_cast<UINT>(SEM_NOOPENFILEERRORBOX));
}

TEST(IsUnicodeTextFile, ByteOrderMarkAndPositionAtStart) {
  TempFolder base(L"unicode");
  struct Case {
    const char* bytes;
    size_t size;
    bool expected;
  } const cases[] = {
      {"\xFF\xFE"
       "A\0",
       4, true},
      {"\xFF\xFE", 2, true},
      {"\xFF", 1, false},
      {"", 0, false},
      {"AB", 2, false},
      // The big-endian mark counts as reversed text, which IsTextUnicode does
      // not call Unicode.
      {"\xFE\xFF\0A", 4, false},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::wstring path = base / (L"case" + std::to_wstring(index++));
    WriteFileBytes(path, std::string(c.bytes, c.size));
    fw::File file;
    ASSERT_TRUE(file.Open(path, fw::File::modeRead));
    char skip[1];
    DWORD count = 0;
    file.Read(skip, 1, count);
    EXPECT_EQ(IsUnicodeTextFile(file), c.expected) << index - 1;
    EXPECT_EQ(Position(file), 0u) << index - 1;
  }
  fw::File closed;
  EXPECT_FALSE(IsUnicodeTextFile(closed));
}

TEST(ReadWholeFileText, Utf16WithAndWithoutMarkOddByteAndFailures) {
  TempFolder base(L"readtext");
  struct Case {
    std::string bytes;
    std::wstring expected;
  } const cases[] = {
      {std::string("\xFF\xFE"
                   "A\0B\0",
                   6),
       std::wstring(L"\xFEFF"
                    L"AB")},
      {std::string("H\0i\0", 4), L"Hi"},
      {std::string("H\0i\0\0\0x\0", 8), L"Hi"},  // up to the first NUL unit
      {std::string("\xFF\xFE"
                   "A\0B",
                   5),
       std::wstring(L"\xFEFF"
                    L"A")},  // half a unit dropped
      {std::string("Z", 1), L""},
      {std::string(), L""},
      {std::string("\xAC\x20", 2), L"\x20AC"},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::wstring path = base / (L"text" + std::to_wstring(index++));
    WriteFileBytes(path, c.bytes);
    std::wstring text = L"stale";
    ReadWholeFileText(path, text);
    EXPECT_EQ(text, c.expected) << index - 1;
  }

  std::wstring text = L"stale";
  ReadWholeFileText(base / L"missing", text);
  EXPECT_EQ(text, L"");
  text = L"stale";
  ReadWholeFileText(base.path(), text);
  EXPECT_EQ(text, L"");

  // Held open without sharing: the read is refused, the output emptied.
  const std::wstring locked = base / L"locked";
  WriteFileBytes(locked, std::string("A\0", 2));
  fw::unique_hfile holder(
      ::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  text = L"stale";
  ReadWholeFileText(locked, text);
  EXPECT_EQ(text, L"");
}

TEST(WriteTextToFile, BytesWithAndWithoutLineEnd) {
  TempFolder base(L"writetext");
  const std::wstring path = base / L"out.txt";
  {
    fw::File file;
    ASSERT_TRUE(file.Open(path, fw::File::modeCreate | fw::File::modeWrite));
    EXPECT_TRUE(WriteTextToFile(file, L"abc", true));
    EXPECT_TRUE(WriteTextToFile(file, L"", true));  // nothing, not even the line end
    EXPECT_TRUE(WriteTextToFile(file, L"de", false));
  }
  EXPECT_EQ(ReadFileBytes(path), "abc\r\nde");
}

TEST(WriteTextToFile, TextTheLocaleCannotConvertGoesThroughTheAnsiCodePage) {
  TempFolder base(L"writetext");
  const std::wstring path = base / L"ansi.txt";
  const std::wstring text = L"a\x20AC\x03A9z";  // euro sign, capital omega
  char expected[16] = {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, expected, sizeof(expected),
                                         nullptr, nullptr);
  ASSERT_GT(size, 1);
  {
    fw::File file;
    ASSERT_TRUE(file.Open(path, fw::File::modeCreate | fw::File::modeWrite));
    EXPECT_TRUE(WriteTextToFile(file, text, true));
  }
  EXPECT_EQ(ReadFileBytes(path), std::string(expected) + "\r\n");
  if (::GetACP() == 1252) {
    EXPECT_EQ(ReadFileBytes(path), "a\x80Oz\r\n");  // the best fit for omega
  }
}

TEST(WriteTextToFile, ConversionFailureAndWriteFailure) {
  // No code page can take it: false, nothing written.
  std::string bytes = "untouched";
  EXPECT_FALSE(detail::ToMultibyte(L"\x03A9", 12345, bytes));
  EXPECT_EQ(bytes, "untouched");
  EXPECT_TRUE(detail::ToMultibyte(L"plain", 12345, bytes));
  EXPECT_EQ(bytes, "plain");

  // A file opened for reading refuses the write: still true, the failure
  // is the file's to report.
  TempFolder base(L"writetext");
  const std::wstring path = base / L"readonly.txt";
  WriteFileBytes(path, "old");
  fw::File file;
  ASSERT_TRUE(file.Open(path, fw::File::modeRead));
  EXPECT_TRUE(WriteTextToFile(file, L"new", true));
  EXPECT_EQ(file.LastError().cause, fw::FileError::accessDenied);
  file.Close();
  EXPECT_EQ(ReadFileBytes(path), "old");
}

TEST(StoreDatabasePath, UnderTheRoamingFolder) {
  wchar_t appData[MAX_PATH] = {};
  ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  const std::wstring product = std::wstring(appData) + L"\\Quillforge";
  ::RemoveDirectoryW(product.c_str());  // only when empty: shows the creation where it can
  EXPECT_EQ(GetStoreDatabasePath(), product + L"\\qlfstore.db");
  EXPECT_TRUE(vxtest::PathIsFolder(product));
  EXPECT_FALSE(vxtest::PathExists(product + L"\\qlfstore.db"));
}

TEST(StoreDatabasePath, DecisionsApartFromTheShell) {
  TempFolder base(L"store");
  EXPECT_EQ(detail::StoreDatabasePathUnder(base.path().c_str()),
            base.path() + L"\\Quillforge\\qlfstore.db");
  EXPECT_TRUE(vxtest::PathIsFolder(base / L"Quillforge"));
  EXPECT_EQ(detail::StoreDatabasePathUnder((base.path() + L"\\").c_str()),
            base.path() + L"\\Quillforge\\qlfstore.db");
  // No application-data folder, or one too long for the path: empty.
  EXPECT_EQ(detail::StoreDatabasePathUnder(nullptr), L"");
  EXPECT_EQ(detail::StoreDatabasePathUnder(std::wstring(250, L'x').c_str()), L"");
  EXPECT_EQ(detail::StoreDatabasePathUnder(std::wstring(300, L'x').c_str()), L"");
}
