#include "library/temp_registry/temp_registry.h"
#include "library/temp_registry/text_files_detail.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace detail = temp_registry::detail;

TEST(FilesAndFolders, TempFoldersFolderAndFileQuestionsAndUtf16AndAnsiTextFiles) {
  TempFolder base(L"tmpvar"), other(L"tempvar");
  const std::wstring id = L"\\qfx" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
  const auto under = [&](const std::wstring& r) {
    return r + L"\\qfxauto\\|" + r + L"\\qfxauto\\x|" + r + id + L"|" + r + id + L"y|" + r +
           L"\\|" + r + L"\\y";
  };
  using Env = std::optional<std::wstring>;
  const std::tuple<Env, Env, std::wstring> cases[] = {
      {std::nullopt, base.path(), under(base.path())},
      {other.path(), base.path() + L"x", under(other.path())},
      {std::nullopt, std::nullopt, L"|||||"},
      {other.path() + L"\\", std::nullopt, under(other.path() + L"\\")}};
  for (const auto& [tempValue, tmpValue, texts] : cases) {
    ScopedEnv temp(L"TEMP", tempValue), tmp(L"TMP", tmpValue);
    EXPECT_EQ(GetAutoTempFolder() + L"|" + GetAutoTempFilePath(L"x") + L"|" +
                  GetProcessTempFolder(true) + L"|" + GetProcessTempFilePath(L"y", true) + L"|" +
                  GetProcessTempFolder(false) + L"|" + GetProcessTempFilePath(L"y", false),
              texts);
  }
  EXPECT_TRUE(PathIsFolder(base / L"qfxauto") && PathIsFolder(base.path() + id) &&
              PathIsFolder(other / L"qfxauto") && !PathExists(L"qfxauto"));
  const std::wstring file = base / L"f", missing = base / L"m";
  WriteFileBytes(file, "f");
  EXPECT_TRUE(FolderExists(L"hTtPs:missing") && FolderExists(L"Q:\\") &&
              FolderExists(base.path() + L"\\") && FolderExists(base / L"*"));
  EXPECT_FALSE(FolderExists(L"") || FolderExists(L"htt") || FolderExists(file) ||
               FolderExists(base / L"f*"));
  EXPECT_TRUE(CreateFolderPath(base / L"a\\\\x\\y\\") && CreateFolderPath(base / L"a\\x\\y"));
  EXPECT_FALSE(CreateFolderPath(L"") || CreateFolderPath(file + L"\\below"));
  std::wstring made = base / L"b\\c", absent = missing, below = file + L"\\s";
  EXPECT_TRUE(EnsureFolderExists(made.data(), true) && PathIsFolder(made));
  EXPECT_FALSE(EnsureFolderExists(absent.data(), false) || PathExists(missing));
  EXPECT_FALSE(EnsureFolderExists(below.data(), true) || EnsureFolderExists(nullptr, true));
  EXPECT_EQ(below, file + L"\\s");  // the buffer is given back as it came
  fw::unique_hfile held(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(held && FileExists(file));  // held by someone who lets us read: still there
  EXPECT_FALSE(FileExists(missing) || FileExists(base.path()) || IsFileReadOnly(file));
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(IsFileReadOnly(file) && IsFileReadOnly(missing));
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  fw::FileError error{fw::FileError::badSeek, 77};
  EXPECT_TRUE(!IsVolumeWriteProtected(L"C:", &error, false) && error.osError == 77);
  EXPECT_TRUE(IsVolumeWriteProtected(L"", &error, false) && IsVolumeWriteProtected(L"", {}, true));
  EXPECT_TRUE(error.osError == ERROR_INVALID_NAME && error.cause == fw::FileError::badPath);
  WriteFileBytes(base / L"le", std::string("\xFF\xFE\x41\0\x42", 5));  // half a unit dropped
  WriteFileBytes(base / L"plain", std::string("H\0i\0\0\0x\0", 8));    // up to the first NUL unit
  fw::File opened;
  char skip[1];
  DWORD count = 0;
  uint64_t position = 99;
  ASSERT_TRUE(opened.Open(base / L"le", fw::File::modeRead) && opened.Read(skip, 1, count));
  EXPECT_TRUE(IsUnicodeTextFile(opened) && opened.GetPosition(position) && position == 0);
  opened.Close();
  EXPECT_FALSE(!opened.Open(base / L"plain", fw::File::modeRead) || IsUnicodeTextFile(opened));
  opened.Close();
  std::wstring le = L"stale", text;
  ReadWholeFileText(base / L"le", le);
  ReadWholeFileText(base / L"plain", text);
  EXPECT_EQ(le + L"|" + text, L"\uFEFFA|Hi");
  const std::wstring wide = L"a\x20AC\x03A9z";  // euro sign, capital omega
  char ansi[16] = {};
  ASSERT_GT(::WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof(ansi), {}, {}), 1);
  ASSERT_TRUE(opened.Open(base / L"out.txt", fw::File::modeCreate | fw::File::modeWrite));
  EXPECT_TRUE(WriteTextToFile(opened, L"abc", true) && WriteTextToFile(opened, L"", true) &&
              WriteTextToFile(opened, L"de", false) && WriteTextToFile(opened, wide, true));
  opened.Close();  // "" gave not even a line end
  EXPECT_EQ(ReadFileBytes(base / L"out.txt"), "abc\r\nde" + std::string(ansi) + "\r\n");
  std::string bytes = "untouched";  // no code page can take it: false, nothing written
  EXPECT_TRUE(!detail::ToMultibyte(L"\x03A9", 12345, bytes) && bytes == "untouched");
  EXPECT_TRUE(detail::ToMultibyte(L"plain", 12345, bytes) && bytes == "plain");
  // Opened for reading: still true, the failure is the file's to report.
  ASSERT_TRUE(opened.Open(base / L"out.txt", fw::File::modeRead));
  EXPECT_TRUE(WriteTextToFile(opened, L"new", true) &&
              opened.LastError().cause == fw::FileError::accessDenied);
}
