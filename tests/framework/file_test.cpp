// The file object: modes, length, position, reading, writing, errors.

#include "framework/file.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using fw::File;
using fw::FileError;

TEST(FileError, CausesOfCommonErrors) {
  const std::pair<LONG, int> cases[] = {{0, FileError::none},
                                        {ERROR_FILE_NOT_FOUND, FileError::fileNotFound},
                                        {ERROR_PATH_NOT_FOUND, FileError::badPath},
                                        {ERROR_ACCESS_DENIED, FileError::accessDenied},
                                        {ERROR_SHARING_VIOLATION, FileError::sharingViolation},
                                        {ERROR_WRITE_PROTECT, FileError::accessDenied},
                                        {ERROR_INVALID_NAME, FileError::badPath},
                                        {ERROR_NOT_ENOUGH_MEMORY, FileError::genericException},
                                        {-5, FileError::genericException}};
  for (const auto& [osError, cause] : cases) {
    EXPECT_EQ(fw::OsErrorToCause(osError), cause) << osError;
    EXPECT_EQ(fw::FileErrorFromOs(osError).osError, osError);
    EXPECT_EQ(fw::FileErrorFromOs(osError).cause, cause);
  }
}

TEST(File, ReadWriteSeekTruncateAndFailures) {
  vxtest::TempFolder base(L"file");
  const std::wstring path = base / L"data.bin";
  File file;
  uint64_t length = 0;
  char buffer[8] = {};
  DWORD count = 7;
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeReadWrite));
  EXPECT_TRUE(file.Write("hello", 5));
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 5u);
  EXPECT_TRUE(file.Seek(1));
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count));
  EXPECT_EQ(std::string(buffer, count), "ello");
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count));  // the end is no failure
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(file.LastError().cause, FileError::none);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(vxtest::ReadFileBytes(path), "hello");
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeNoTruncate | File::modeWrite));
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 5u);
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeWrite));  // truncates
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 0u);
  file.Close();

  FileError error;
  EXPECT_FALSE(file.Open(base / L"missing", File::modeRead, &error));
  EXPECT_EQ(error.osError, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(error.cause, FileError::fileNotFound);
  EXPECT_EQ(file.LastError().osError, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(file.Open(base / L"no\\such\\folder\\f", File::modeRead, &error));
  EXPECT_EQ(error.cause, FileError::badPath);
  count = 7;  // a closed object fails cleanly
  EXPECT_FALSE(file.Read(buffer, 1, count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(file.Write("x", 1));
  length = 42;
  EXPECT_FALSE(file.GetLength(length));
  EXPECT_EQ(length, 42u);

  File holder;  // an exclusive holder keeps a second opener out
  ASSERT_TRUE(holder.Open(path, File::modeRead | File::shareExclusive));
  EXPECT_FALSE(file.Open(path, File::modeRead | File::shareDenyNone, &error));
  EXPECT_EQ(error.cause, FileError::sharingViolation);
  holder.Close();
  ASSERT_TRUE(holder.Open(path, File::modeRead | File::shareDenyNone));
  EXPECT_TRUE(file.Open(path, File::modeRead | File::shareDenyNone));
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ(file.LastError().cause, FileError::accessDenied);
}
