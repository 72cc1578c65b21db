#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "library/temp_registry/temp_registry.h"
#include "library/temp_registry/text_files_detail.h"

namespace temp_registry::detail {

std::wstring TextFromUtf16Bytes(const unsigned char* bytes, size_t count) {
  std::wstring text;
  const size_t units = count / 2;
  text.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    if (unit == L'\0') break;
    text.push_back(unit);
  }
  return text;
}

bool ToMultibyte(const std::wstring& text, UINT fallbackCodePage, std::string& bytes) {
  // Sized by asking first: a fixed multiple of the text's length would cut
  // texts whose characters take more than two bytes each.
  // Some runtimes only report an unconvertible character when converting in
  // earnest, so both calls must succeed and agree.
  const size_t needed = std::wcstombs(nullptr, text.c_str(), 0);
  if (needed != static_cast<size_t>(-1)) {
    std::vector<char> buffer(needed + 1, '\0');
    if (std::wcstombs(buffer.data(), text.c_str(), buffer.size()) == needed) {
      bytes.assign(buffer.data(), needed);
      return true;
    }
  }
  const int size =
      ::WideCharToMultiByte(fallbackCodePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::vector<char> buffer(static_cast<size_t>(size), '\0');
  if (::WideCharToMultiByte(fallbackCodePage, 0, text.c_str(), -1, buffer.data(), size, nullptr,
                            nullptr) != size) {
    return false;
  }
  bytes.assign(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
  return true;
}

std::wstring StoreDatabasePathUnder(const wchar_t* appDataFolder) {
  if (!appDataFolder) return std::wstring();
  wchar_t path[MAX_PATH] = {};
  if (::wcslen(appDataFolder) >= MAX_PATH) return std::wstring();
  ::wcscpy_s(path, MAX_PATH, appDataFolder);
  if (!::PathAppendW(path, L"Quillforge")) return std::wstring();
  // One retry; a failure left after it shows when the database is opened.
  for (int attempt = 0; attempt < 2 && !::PathFileExistsW(path); ++attempt) {
    ::CreateDirectoryW(path, nullptr);
  }
  if (!::PathAppendW(path, L"qlfstore.db")) return std::wstring();
  return std::wstring(path);
}

}  // namespace temp_registry::detail

namespace detail = temp_registry::detail;

bool IsVolumeWriteProtected(const std::wstring& root, fw::FileError* error, bool removableOnly) {
  if (root.empty()) {
    // Probing the current directory's volume would write a label the caller
    // never named.
    if (error) *error = fw::FileErrorFromOs(ERROR_INVALID_NAME);
    return true;
  }
  if (removableOnly && ::GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE) return false;

  std::wstring volume = root;
  if (volume.back() != L'\\') volume += L'\\';

  wchar_t label[MAX_PATH] = {};
  wchar_t fileSystem[MAX_PATH] = {};
  DWORD failure = ERROR_SUCCESS;
  if (::GetVolumeInformationW(volume.c_str(), label, MAX_PATH, nullptr, nullptr, nullptr,
                              fileSystem, MAX_PATH)) {
    label[MAX_PATH - 1] = L'\0';
    // Writing the same label back is the cheapest write a volume can refuse;
    // no "insert a disk" dialog may interrupt the caller meanwhile.
    const UINT previousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    const BOOL written = ::SetVolumeLabelW(volume.c_str(), label);
    failure = written ? ERROR_SUCCESS : ::GetLastError();
    ::SetErrorMode(previousMode);
    if (written) return false;
  } else {
    failure = ::GetLastError();
  }
  if (error) *error = fw::FileErrorFromOs(static_cast<LONG>(failure));
  return true;
}

bool IsUnicodeTextFile(fw::File& file) {
  unsigned char start[2] = {};
  DWORD count = 0;
  bool unicode = false;
  if (file.SeekToBegin() && file.Read(start, sizeof(start), count) && count == sizeof(start)) {
    INT tests = IS_TEXT_UNICODE_SIGNATURE | IS_TEXT_UNICODE_REVERSE_SIGNATURE;
    unicode = ::IsTextUnicode(start, sizeof(start), &tests) != FALSE;
  }
  file.SeekToBegin();
  return unicode;
}

void ReadWholeFileText(const std::wstring& path, std::wstring& text) {
  text.clear();
  fw::File file;
  uint64_t length = 0;
  if (!file.Open(path, fw::File::modeRead) || !file.GetLength(length)) return;
  if (length > SIZE_MAX / 2) return;  // could not be held anyway

  std::vector<unsigned char> bytes(static_cast<size_t>(length));
  size_t total = 0;
  while (total < bytes.size()) {
    const size_t left = bytes.size() - total;
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    DWORD count = 0;
    if (!file.Read(bytes.data() + total, chunk, count)) return;
    if (count == 0) break;  // the file shrank meanwhile: keep what arrived
    total += count;
  }
  text = detail::TextFromUtf16Bytes(bytes.data(), total);
}

bool WriteTextToFile(fw::File& file, const std::wstring& text, bool lineEnd) {
  if (text.empty()) return true;
  std::string bytes;
  if (!detail::ToMultibyte(text, CP_ACP, bytes)) return false;
  // Write failures stay in file.LastError(): the result speaks of the
  // conversion only, as callers have always read it.
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t left = bytes.size() - done;
    const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
    if (!file.Write(bytes.data() + done, chunk)) return true;
    done += chunk;
  }
  if (lineEnd) file.Write("\r\n", 2);
  return true;
}

std::wstring GetStoreDatabasePath() {
  wchar_t appData[MAX_PATH] = {};
  if (::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) != S_OK) {
    return std::wstring();
  }
  appData[MAX_PATH - 1] = L'\0';
  return detail::StoreDatabasePathUnder(appData);
}
