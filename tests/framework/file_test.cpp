#include "framework/file.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/test_support.h"

using fw::File;
using fw::FileError;

TEST(File, ReadWriteSeekTruncateAndTheCausesOfFailures) {
  vxtest::TempFolder base(L"file");
  const std::wstring path = base / L"data.bin";
  File file, holder;
  uint64_t length = 0;
  char buffer[8] = {};
  DWORD count = 7;
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeReadWrite));
  EXPECT_TRUE(file.Write("hello", 5) && file.GetLength(length) && length == 5 && file.Seek(1));
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count) && std::string(buffer, count) == "ello");
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count) && count == 0);  // the end is no failure
  EXPECT_EQ(file.LastError().cause, FileError::none);
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeNoTruncate | File::modeWrite));
  EXPECT_TRUE(file.GetLength(length) && length == 5);
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeWrite));  // truncates
  EXPECT_TRUE(file.GetLength(length) && length == 0);
  file.Close();
  count = length = 42;  // a closed object fails cleanly
  EXPECT_FALSE(file.Read(buffer, 1, count) || file.Write("x", 1) || file.GetLength(length));
  EXPECT_TRUE(count == 0 && length == 42);

  ASSERT_TRUE(
      holder.Open(base / L"held", File::modeCreate | File::modeWrite | File::shareExclusive));
  const std::tuple<std::wstring, LONG, int> failures[] = {
      {L"missing", ERROR_FILE_NOT_FOUND, FileError::fileNotFound},
      {L"no\\such\\folder\\f", ERROR_PATH_NOT_FOUND, FileError::badPath},
      {L"held", ERROR_SHARING_VIOLATION, FileError::sharingViolation}};
  for (const auto& [name, osError, cause] : failures) {
    FileError error;
    EXPECT_FALSE(file.Open(base / name, File::modeRead | File::shareDenyNone, &error));
    EXPECT_EQ(std::tuple(error.osError, error.cause, file.LastError().osError),
              std::tuple(osError, cause, osError));
  }
  EXPECT_TRUE(file.Open(path, File::modeRead | File::shareDenyNone) && !file.Write("x", 1));
  EXPECT_EQ(file.LastError().cause, FileError::accessDenied);
  EXPECT_EQ(std::tuple(fw::OsErrorToCause(0), fw::OsErrorToCause(ERROR_INVALID_FUNCTION)),
            std::tuple(FileError::none, FileError::genericException));
}

// The loader hands out an unterminated pointer into the table: exactly the resource's units.
TEST(App, TitleAndProfileFromTheProgramsStringResource) {
  vxtest::Child probe = vxtest::StartChild(L"\"" + vxtest::BinPath(L"app_probe.exe") + L"\"", true);
  EXPECT_EQ(vxtest::ReadAllOutput(probe), "Probe Title||Probe Title|Brevanne Koltec\\Probe Title");
  EXPECT_EQ(vxtest::WaitExit(probe, 30000), 0u);
}
