#include "framework/file.h"

namespace fw {

namespace {

struct CauseOfError {
  LONG osError;
  int cause;
};

// The Windows errors that file operations actually report, grouped by what a
// caller can do about them.
constexpr CauseOfError kCauses[] = {
    {ERROR_FILE_NOT_FOUND, FileError::fileNotFound},
    {ERROR_PATH_NOT_FOUND, FileError::badPath},
    {ERROR_TOO_MANY_OPEN_FILES, FileError::tooManyOpenFiles},
    {ERROR_ACCESS_DENIED, FileError::accessDenied},
    {ERROR_INVALID_HANDLE, FileError::fileNotFound},
    {ERROR_BAD_FORMAT, FileError::invalidFile},
    {ERROR_INVALID_ACCESS, FileError::accessDenied},
    {ERROR_INVALID_DRIVE, FileError::badPath},
    {ERROR_CURRENT_DIRECTORY, FileError::removeCurrentDir},
    {ERROR_NOT_SAME_DEVICE, FileError::badPath},
    {ERROR_NO_MORE_FILES, FileError::fileNotFound},
    {ERROR_WRITE_PROTECT, FileError::accessDenied},
    {ERROR_BAD_UNIT, FileError::hardIO},
    {ERROR_NOT_READY, FileError::hardIO},
    {ERROR_BAD_COMMAND, FileError::hardIO},
    {ERROR_CRC, FileError::hardIO},
    {ERROR_BAD_LENGTH, FileError::badSeek},
    {ERROR_SEEK, FileError::badSeek},
    {ERROR_NOT_DOS_DISK, FileError::invalidFile},
    {ERROR_SECTOR_NOT_FOUND, FileError::badSeek},
    {ERROR_WRITE_FAULT, FileError::accessDenied},
    {ERROR_READ_FAULT, FileError::badSeek},
    {ERROR_SHARING_VIOLATION, FileError::sharingViolation},
    {ERROR_LOCK_VIOLATION, FileError::lockViolation},
    {ERROR_WRONG_DISK, FileError::badPath},
    {ERROR_SHARING_BUFFER_EXCEEDED, FileError::tooManyOpenFiles},
    {ERROR_HANDLE_EOF, FileError::endOfFile},
    {ERROR_HANDLE_DISK_FULL, FileError::diskFull},
    {ERROR_BAD_NETPATH, FileError::badPath},
    {ERROR_NETWORK_ACCESS_DENIED, FileError::accessDenied},
    {ERROR_BAD_NET_NAME, FileError::badPath},
    {ERROR_FILE_EXISTS, FileError::accessDenied},
    {ERROR_CANNOT_MAKE, FileError::accessDenied},
    {ERROR_DISK_FULL, FileError::diskFull},
    {ERROR_INVALID_NAME, FileError::badPath},
    {ERROR_NEGATIVE_SEEK, FileError::badSeek},
    {ERROR_SEEK_ON_DEVICE, FileError::badSeek},
    {ERROR_DIR_NOT_EMPTY, FileError::removeCurrentDir},
    {ERROR_LABEL_TOO_LONG, FileError::badPath},
    {ERROR_BAD_PATHNAME, FileError::badPath},
    {ERROR_LOCK_FAILED, FileError::lockViolation},
    {ERROR_BUSY, FileError::accessDenied},
    {ERROR_ALREADY_EXISTS, FileError::accessDenied},
    {ERROR_FILENAME_EXCED_RANGE, FileError::badPath},
    {ERROR_DIRECTORY, FileError::badPath},
    {ERROR_OPERATION_ABORTED, FileError::hardIO},
    {ERROR_IO_INCOMPLETE, FileError::hardIO},
    {ERROR_IO_PENDING, FileError::hardIO},
};

DWORD AccessOf(UINT flags) {
  switch (flags & 0x3) {
    case File::modeWrite:
      return GENERIC_WRITE;
    case File::modeReadWrite:
      return GENERIC_READ | GENERIC_WRITE;
    default:
      return GENERIC_READ;
  }
}

DWORD SharingOf(UINT flags) {
  switch (flags & 0x70) {
    case File::shareDenyWrite:
      return FILE_SHARE_READ;
    case File::shareDenyRead:
      return FILE_SHARE_WRITE;
    case File::shareDenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:  // exclusive, also when no sharing mode is named
      return 0;
  }
}

DWORD DispositionOf(UINT flags) {
  if (!(flags & File::modeCreate)) return OPEN_EXISTING;
  return (flags & File::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

}  // namespace

int OsErrorToCause(LONG osError) {
  if (osError == 0) return FileError::none;
  for (const CauseOfError& entry : kCauses) {
    if (entry.osError == osError) return entry.cause;
  }
  return FileError::genericException;
}

FileError FileErrorFromOs(LONG osError) { return FileError{OsErrorToCause(osError), osError}; }

bool File::Fail(FileError* error) {
  lastError_ = FileErrorFromOs(static_cast<LONG>(::GetLastError()));
  if (error) *error = lastError_;
  return false;
}

bool File::Open(const std::wstring& path, UINT flags, FileError* error) {
  Close();
  handle_.reset(::CreateFileW(path.c_str(), AccessOf(flags), SharingOf(flags), nullptr,
                              DispositionOf(flags), FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle_) return Fail(error);
  return Succeed();
}

bool File::GetLength(uint64_t& length) {
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(handle_.get(), &size)) return Fail();
  length = static_cast<uint64_t>(size.QuadPart);
  return Succeed();
}

bool File::Seek(uint64_t position) {
  LARGE_INTEGER distance = {};
  distance.QuadPart = static_cast<LONGLONG>(position);
  if (!::SetFilePointerEx(handle_.get(), distance, nullptr, FILE_BEGIN)) return Fail();
  return Succeed();
}

bool File::GetPosition(uint64_t& position) {
  LARGE_INTEGER zero = {};
  LARGE_INTEGER now = {};
  if (!::SetFilePointerEx(handle_.get(), zero, &now, FILE_CURRENT)) return Fail();
  position = static_cast<uint64_t>(now.QuadPart);
  return Succeed();
}

bool File::Read(void* buffer, DWORD count, DWORD& bytesRead) {
  bytesRead = 0;
  if (count == 0) return Succeed();
  if (!::ReadFile(handle_.get(), buffer, count, &bytesRead, nullptr)) return Fail();
  return Succeed();
}

bool File::Write(const void* buffer, DWORD count) {
  if (count == 0) return Succeed();
  DWORD written = 0;
  if (!::WriteFile(handle_.get(), buffer, count, &written, nullptr)) return Fail();
  if (written != count) {
    ::SetLastError(ERROR_DISK_FULL);
    return Fail();
  }
  return Succeed();
}

}  // namespace fw
