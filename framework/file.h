#pragma once
// The product's file object: one owned file handle with the open modes,
// length, position, read, write and close that the library needs. Nothing
// here throws; every operation returns whether it worked and records the
// failure in a small error record (the OS error and a coarse cause), which
// the caller can read back.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/handles.h"

namespace fw {

// What went wrong with a file operation. cause is one of the Cause values,
// osError the Windows error code it was derived from.
struct FileError {
  enum Cause : int {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };
  int cause = none;
  LONG osError = 0;
};

// The coarse cause for a Windows error code; genericException for codes
// that have no closer meaning, none for 0.
int OsErrorToCause(LONG osError);

// The record for a Windows error code.
FileError FileErrorFromOs(LONG osError);

class File {
 public:
  // Open flags: one access mode, one sharing mode and the creation bits,
  // or-ed together. Without modeCreate the file must exist.
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeCreate = 0x1000,     // create, or truncate an existing file
    modeNoTruncate = 0x2000  // with modeCreate: open an existing file as it is
  };

  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&&) noexcept = default;
  File& operator=(File&&) noexcept = default;
  ~File() = default;

  // Opens path; a file already open here is closed first. False on failure,
  // with the failure in LastError() and in *error when given.
  bool Open(const std::wstring& path, UINT flags, FileError* error = nullptr);
  bool IsOpen() const noexcept { return handle_.is_valid(); }
  HANDLE handle() const noexcept { return handle_.get(); }
  void Close() noexcept { handle_.reset(); }

  // Length in bytes; false (length untouched) on failure.
  bool GetLength(uint64_t& length);
  // Moves to an absolute position in bytes.
  bool Seek(uint64_t position);
  bool SeekToBegin() { return Seek(0); }
  bool GetPosition(uint64_t& position);

  // Reads up to count bytes; bytesRead is what arrived (0 at the end of the
  // file, which is not a failure).
  bool Read(void* buffer, DWORD count, DWORD& bytesRead);
  // Writes all count bytes or fails.
  bool Write(const void* buffer, DWORD count);

  // The last failure of this object; cause none when the last operation
  // worked.
  const FileError& LastError() const noexcept { return lastError_; }

 private:
  bool Fail(FileError* error = nullptr);
  bool Succeed() noexcept {
    lastError_ = FileError{};
    return true;
  }

  unique_hfile handle_;
  FileError lastError_;
};

}  // namespace fw
