// The file object: modes, length, position, reading, writing, errors.

#include "framework/file.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using fw::File;
using fw::FileError;
using vxtest::ReadFileBytes;
using vxtest::TempFolder;
using vxtest::WriteFileBytes;

TEST(FileError, CausesOfCommonErrors) {
  struct Case {
    LONG osError;
    int cause;
  } const cases[] = {
      {0, FileError::none},
      {ERROR_FILE_NOT_FOUND, FileError::fileNotFound},
      {ERROR_PATH_NOT_FOUND, FileError::badPath},
      {ERROR_ACCESS_DENIED, FileError::accessDenied},
      {ERROR_SHARING_VIOLATION, FileError::sharingViolation},
      {ERROR_WRITE_PROTECT, FileError::accessDenied},
      {ERROR_INVALID_NAME, FileError::badPath},
      {ERROR_NOT_ENOUGH_MEMORY, FileError::genericException},
      {-5, FileError::genericException},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fw::OsErrorToCause(c.osError), c.cause) << c.osError;
    const FileError record = fw::FileErrorFromOs(c.osError);
    EXPECT_EQ(record.osError, c.osError);
    EXPECT_EQ(record.cause, c.cause);
  }
}

TEST(File, CreateWriteReadLengthAndSeek) {
  TempFolder base(L"file");
  const std::wstring path = base / L"data.bin";
  File file;
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeReadWrite));
  EXPECT_TRUE(file.IsOpen());
  EXPECT_TRUE(file.Write("hello", 5));
  uint64_t length = 0;
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 5u);
  EXPECT_TRUE(file.Seek(1));
  char buffer[8] = {};
  DWORD count = 0;
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count));
  EXPECT_EQ(std::string(buffer, count), "ello");
  EXPECT_TRUE(file.Read(buffer, sizeof(buffer), count));  // the end is no failure
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(file.LastError().cause, FileError::none);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(ReadFileBytes(path), "hello");

  // modeCreate truncates; with modeNoTruncate the content stays.
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeNoTruncate | File::modeWrite));
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 5u);
  ASSERT_TRUE(file.Open(path, File::modeCreate | File::modeWrite));
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 0u);
}

TEST(File, FailuresComeBackAsRecords) {
  TempFolder base(L"file");
  File file;
  FileError error;
  EXPECT_FALSE(file.Open(base / L"missing", File::modeRead, &error));
  EXPECT_EQ(error.osError, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(error.cause, FileError::fileNotFound);
  EXPECT_EQ(file.LastError().osError, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(file.Open(base / L"no\\such\\folder\\f", File::modeRead, &error));
  EXPECT_EQ(error.cause, FileError::badPath);

  // Operations on a closed object fail cleanly.
  char byte = 0;
  DWORD count = 7;
  EXPECT_FALSE(file.Read(&byte, 1, count));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(file.Write("x", 1));
  uint64_t length = 42;
  EXPECT_FALSE(file.GetLength(length));
  EXPECT_EQ(length, 42u);

  // Sharing: an exclusive holder keeps a second opener out.
  const std::wstring path = base / L"shared";
  WriteFileBytes(path, "s");
  File holder;
  ASSERT_TRUE(holder.Open(path, File::modeRead | File::shareExclusive));
  EXPECT_FALSE(file.Open(path, File::modeRead | File::shareDenyNone, &error));
  EXPECT_EQ(error.cause, FileError::sharingViolation);
  holder.Close();
  ASSERT_TRUE(holder.Open(path, File::modeRead | File::shareDenyNone));
  EXPECT_TRUE(file.Open(path, File::modeRead | File::shareDenyNone));
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ(file.LastError().cause, FileError::accessDenied);
}
