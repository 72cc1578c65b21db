// The file object: modes, length, position, reading, writing, errors.

#include "framework/file.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using fw::File;
using fw::FileError;

TEST(File, ErrorCausesReadWriteSeekTruncateAndSharing) {
  const std::pair<LONG, int> causes[] = {{0, FileError::none},
                                         {ERROR_FILE_NOT_FOUND, FileError::fileNotFound},
                                         {ERROR_PATH_NOT_FOUND, FileError::badPath},
                                         {ERROR_ACCESS_DENIED, FileError::accessDenied},
                                         {ERROR_SHARING_VIOLATION, FileError::sharingViolation},
                                         {ERROR_WRITE_PROTECT, FileError::accessDenied},
                                         {ERROR_INVALID_NAME, FileError::badPath},
                                         {ERROR_NOT_ENOUGH_MEMORY, FileError::genericException},
                                         {-5, FileError::genericException}};
  for (const auto& [osError, cause] : causes) {
    EXPECT_EQ(fw::FileErrorFromOs(osError).osError, osError);
    EXPECT_EQ(fw::FileErrorFromOs(osError).cause, fw::OsErrorToCause(osError));
    EXPECT_EQ(fw::OsErrorToCause(osError), cause) << osError;
  }
  vxtest::TempFolder base(L"file");
  const std::wstring path = base / L"data.bin";
  File file, holder;
  uint64_t length = 0;
  char buffer[8] = {};
  DWORD count = 7;
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeReadWrite));
  EXPECT_TRUE(file.Write("hello", 5) && file.GetLength(length) && file.Seek(1));
  EXPECT_EQ(length, 5u);
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count));
  EXPECT_EQ(std::string(buffer, count), "ello");
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count));  // the end is no failure
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(file.LastError().cause, FileError::none);
  file.Close();
  EXPECT_EQ(vxtest::ReadFileBytes(path), "hello");
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeNoTruncate | File::modeWrite));
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 5u);
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeWrite));  // truncates
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 0u);
  file.Close();
  count = length = 42;  // a closed object fails cleanly
  EXPECT_FALSE(file.Read(buffer, 1, count) || file.Write("x", 1) || file.GetLength(length));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(length, 42u);

  FileError error;
  EXPECT_FALSE(file.Open(base / L"missing", File::modeRead, &error));
  EXPECT_EQ(error.osError, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(file.LastError().osError, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(file.Open(base / L"no\\such\\folder\\f", File::modeRead, &error));
  EXPECT_EQ(error.cause, FileError::badPath);
  ASSERT_TRUE(holder.Open(path, File::modeRead | File::shareExclusive));
  EXPECT_FALSE(file.Open(path, File::modeRead | File::shareDenyNone, &error));
  EXPECT_EQ(error.cause, FileError::sharingViolation);
  ASSERT_TRUE(holder.Open(path, File::modeRead | File::shareDenyNone));  // closes the first
  EXPECT_TRUE(file.Open(path, File::modeRead | File::shareDenyNone));
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ(file.LastError().cause, FileError::accessDenied);
}
