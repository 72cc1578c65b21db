#include "library/temp_registry/temp_registry.h"
#include "library/temp_registry/text_files_detail.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using vxtest::ReadFileBytes;
using vxtest::TempFolder;
using vxtest::WriteFileBytes;
namespace detail = temp_registry::detail;

// The empty root names no volume; C: of the test's own prefix is writable.
TEST(IsVolumeWriteProtected, EmptyRootAndWritableVolume) {
  fw::FileError error{fw::FileError::badSeek, 77};
  EXPECT_FALSE(IsVolumeWriteProtected(L"C:", &error, false));
  EXPECT_EQ(error.osError, 77);  // nothing reported
  EXPECT_TRUE(IsVolumeWriteProtected(L"", &error, false) && IsVolumeWriteProtected(L"", {}, true));
  EXPECT_TRUE(error.osError == ERROR_INVALID_NAME && error.cause == fw::FileError::badPath);
}

TEST(Utf16Files, MarkDetectionAndWholeFileReads) {
  TempFolder base(L"unicode");
  const struct {
    std::string bytes;
    bool unicode;  // IsUnicodeTextFile, which leaves the position at the start
    std::wstring text;
  } cases[] = {
      {std::string("\xFF\xFE\x41\0\x42\0", 6), true, L"\uFEFFAB"},
      {std::string("\xFF\xFE\x41\0\x42", 5), true, L"\uFEFF\x41"},  // half a unit dropped
      {std::string("H\0i\0\0\0x\0", 8), false, L"Hi"},              // up to the first NUL unit
      {"\xAC\x20", false, L"\x20AC"},
      {"", false, L""},
      // The big-endian mark counts as reversed text, which is not called Unicode.
      {std::string("\xFE\xFF\0A", 4), false, L"\xFFFE\x4100"},
  };
  for (const auto& c : cases) {
    const std::wstring path = base / std::to_wstring(&c - cases);
    WriteFileBytes(path, c.bytes);
    fw::File file;
    ASSERT_TRUE(file.Open(path, fw::File::modeRead));
    char skip[1];
    DWORD count = 0;
    uint64_t position = 99;
    file.Read(skip, 1, count);
    EXPECT_EQ(IsUnicodeTextFile(file), c.unicode) << (&c - cases);
    EXPECT_TRUE(file.GetPosition(position) && position == 0);
    file.Close();
    std::wstring text = L"stale";
    ReadWholeFileText(path, text);
    EXPECT_EQ(text, c.text) << (&c - cases);
  }
  // Missing, or a folder: emptied.
  for (const std::wstring& path : {base / L"missing", base.path()}) {
    std::wstring text = L"stale";
    ReadWholeFileText(path, text);
    EXPECT_EQ(text, L"");
  }
}

TEST(WriteTextToFile, ExactBytesAnsiFallbackAndFailures) {
  TempFolder base(L"writetext");
  const std::wstring text = L"a\x20AC\x03A9z";  // euro sign, capital omega
  char ansi[16] = {};
  ASSERT_GT(::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi, sizeof(ansi), {}, {}), 1);
  {
    fw::File file;
    ASSERT_TRUE(file.Open(base / L"out.txt", fw::File::modeCreate | fw::File::modeWrite));
    EXPECT_TRUE(WriteTextToFile(file, L"abc", true) && WriteTextToFile(file, L"", true) &&
                WriteTextToFile(file, L"de", false) && WriteTextToFile(file, text, true));
  }
  // The empty text writes nothing, not even the line end.
  EXPECT_EQ(ReadFileBytes(base / L"out.txt"), "abc\r\nde" + std::string(ansi) + "\r\n");
  std::string bytes = "untouched";  // no code page can take it: false, nothing written
  EXPECT_FALSE(detail::ToMultibyte(L"\x03A9", 12345, bytes));
  EXPECT_EQ(bytes, "untouched");
  EXPECT_TRUE(detail::ToMultibyte(L"plain", 12345, bytes) && bytes == "plain");
  // Opened for reading: still true, the failure is the file's to report.
  WriteFileBytes(base / L"readonly.txt", "old");
  fw::File file;
  ASSERT_TRUE(file.Open(base / L"readonly.txt", fw::File::modeRead));
  EXPECT_TRUE(WriteTextToFile(file, L"new", true));
  EXPECT_EQ(file.LastError().cause, fw::FileError::accessDenied);
}

TEST(StoreDatabasePath, UnderTheRoamingFolderAndItsDecisions) {
  wchar_t appData[MAX_PATH] = {};
  ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  const std::wstring product = std::wstring(appData) + L"\\Quillforge";
  ::RemoveDirectoryW(product.c_str());  // only when empty: shows the creation where it can
  EXPECT_EQ(GetStoreDatabasePath(), product + L"\\qlfstore.db");
  EXPECT_TRUE(vxtest::PathIsFolder(product) && !vxtest::PathExists(product + L"\\qlfstore.db"));
  TempFolder base(L"store");  // no application-data folder, or one too long: empty
  EXPECT_EQ(detail::StoreDatabasePathUnder((base.path() + L"\\").c_str()),
            base.path() + L"\\Quillforge\\qlfstore.db");
  EXPECT_TRUE(vxtest::PathIsFolder(base / L"Quillforge"));
  EXPECT_EQ(detail::StoreDatabasePathUnder(nullptr), L"");
  EXPECT_EQ(detail::StoreDatabasePathUnder(std::wstring(250, L'x').c_str()), L"");
}
