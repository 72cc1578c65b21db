#include <windows.h>
#include <shellapi.h>

#include <io.h>
#include <direct.h>

#include <filesystem>
#include <system_error>

#include "library/system_files/folder_copy_list.h"
#include "library/system_files/system_files.h"

namespace system_files::detail {

std::wstring CopySourcePattern(const std::wstring& source) {
  return source.empty() ? std::wstring() : source + L"\\*";
}

bool FillShellNameList(const std::wstring& name, ShellNameList& list) {
  // A name cut to fit would name another folder; refuse it instead.
  if (name.size() > kShellListUnits - 2) return false;
  list.fill(L'\0');
  name.copy(list.data(), name.size());
  return true;
}

}  // namespace system_files::detail

namespace {

// Text of the ANSI code page to UTF-16 and back, as the paths have always
// travelled. False when the system cannot convert the text.
bool AnsiToWide(const std::string& text, std::wstring& wide) {
  if (text.empty()) {
    wide.clear();
    return true;
  }
  const int size =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return false;
  std::wstring result(static_cast<size_t>(size), L'\0');
  if (::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(),
                            size) != size) {
    return false;
  }
  wide = std::move(result);
  return true;
}

bool WideToAnsi(const std::wstring& text, std::string& narrow) {
  if (text.empty()) {
    narrow.clear();
    return true;
  }
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (size <= 0) return false;
  std::string result(static_cast<size_t>(size), '\0');
  if (::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(),
                            size, nullptr, nullptr) != size) {
    return false;
  }
  narrow = std::move(result);
  return true;
}

}  // namespace

BOOL ListFolderEntries(const std::string& folder, fw::StringArray& entries) {
  if (folder.size() > 0x7FFFFFFF) return TRUE;
  std::wstring wideFolder;
  if (!AnsiToWide(folder, wideFolder)) return TRUE;

  const bool joined =
      !wideFolder.empty() &&
      (wideFolder.back() == L'\\' || wideFolder.back() == L'/' || wideFolder.back() == L':');
  const std::wstring prefix = joined ? wideFolder : wideFolder + L"\\";

  std::error_code error;
  std::filesystem::directory_iterator entry(std::filesystem::path(wideFolder), error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    const std::wstring path = prefix + entry->path().filename().wstring();
    std::string narrow;
    std::wstring stored;
    if (WideToAnsi(path, narrow) && AnsiToWide(narrow, stored)) entries.push_back(stored);
  }
  return TRUE;
}

bool CopyFolderContents(const std::wstring& source, const std::wstring& destination) {
  using namespace system_files::detail;
  const std::wstring pattern = CopySourcePattern(source);
  ShellNameList from;
  ShellNameList to;
  if (pattern.empty() || !FillShellNameList(pattern, from) || !FillShellNameList(destination, to)) {
    return false;
  }
  SHFILEOPSTRUCTW operation = {};
  operation.hwnd = nullptr;
  operation.wFunc = FO_COPY;
  operation.pFrom = from.data();
  operation.pTo = to.data();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  return ::SHFileOperationW(&operation) == 0;
}

BOOL EnsureWritableFolder(std::wstring folder) {
  if (::_waccess(folder.c_str(), 0) != 0 && ::_wmkdir(folder.c_str()) != 0) return FALSE;
  return ::_waccess(folder.c_str(), 2) == 0 ? TRUE : FALSE;
}
