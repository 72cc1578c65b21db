#include <windows.h>

#include <direct.h>
#include <sys/stat.h>
#include <wchar.h>

#include <list>
#include <optional>

#include "framework/file.h"
#include "framework/handles.h"
#include "library/temp_registry/temp_registry.h"

namespace {

// One environment variable as the process sees it now (also after
// SetEnvironmentVariableW, which the C runtime's own copy would miss);
// nullopt when unset. No length limit: a long value is taken whole.
std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::wstring();
    }
    std::wstring value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), needed);
    if (length < needed) {  // the value fitted; it may have shrunk meanwhile
      value.resize(length);
      return value;
    }
  }
}

std::optional<std::wstring> TemporaryFolder() {
  if (auto temp = EnvironmentValue(L"temp")) return temp;
  return EnvironmentValue(L"tmp");
}

// Makes folder when SearchPathW finds nothing called name in parent.
// SearchPathW reports folders as well, so an existing folder is left alone;
// were it not found, the creation of an existing folder would fail harmlessly.
void CreateUnlessFound(const std::wstring& parent, const std::wstring& name,
                       const std::wstring& folder) {
  wchar_t found[MAX_PATH] = {};
  if (::SearchPathW(parent.c_str(), name.c_str(), nullptr, MAX_PATH, found, nullptr) == 0) {
    ::_wmkdir(folder.c_str());
  }
}

bool StartsWithHttp(const std::wstring& path) {
  return path.size() >= 4 && ::_wcsnicmp(path.c_str(), L"http", 4) == 0;
}

}  // namespace

std::wstring GetAutoTempFolder() {
  const std::optional<std::wstring> temp = TemporaryFolder();
  if (!temp) return std::wstring();
  const std::wstring folder = *temp + L"\\qfxauto\\";
  CreateUnlessFound(*temp, L"qfxauto", folder);
  return folder;
}

std::wstring GetAutoTempFilePath(const std::wstring& fileName) {
  const std::wstring folder = GetAutoTempFolder();
  return folder.empty() ? folder : folder + fileName;
}

std::wstring GetProcessTempFolder(bool perProcess) {
  const std::wstring name =
      perProcess ? L"qfx" + std::to_wstring(::GetCurrentProcessId()) : std::wstring();
  const std::optional<std::wstring> temp = TemporaryFolder();
  if (!temp) return std::wstring();
  std::wstring folder = *temp + L"\\";
  if (!name.empty()) {
    folder += name + L"\\";
    CreateUnlessFound(*temp, name, folder);
  }
  return folder;
}

std::wstring GetProcessTempFilePath(const std::wstring& fileName, bool perProcess) {
  const std::wstring folder = GetProcessTempFolder(perProcess);
  return folder.empty() ? folder : folder + fileName;
}

bool FolderExists(const std::wstring& path) {
  if (StartsWithHttp(path)) return true;
  if (path.empty()) return false;
  std::wstring target = path;
  if (target.back() == L'\\') target.pop_back();
  if (target.empty()) return false;
  if (target.back() == L':') return true;

  WIN32_FIND_DATAW found = {};
  fw::unique_findhandle search(::FindFirstFileW(target.c_str(), &found));
  if (!search) return false;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return true;
  } while (::FindNextFileW(search.get(), &found));
  return false;
}

bool CreateFolderPath(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring existing = path;
  if (existing.back() == L'\\') existing.pop_back();

  std::list<std::wstring> missing;  // outermost first
  while (!existing.empty() && !FolderExists(existing)) {
    const size_t cut = existing.rfind(L'\\');
    if (cut == std::wstring::npos) break;  // a first component is never made
    std::wstring component = existing.substr(cut + 1);
    if (!component.empty()) missing.push_front(std::move(component));
    existing.resize(cut);
  }
  for (const std::wstring& component : missing) {
    existing += L"\\" + component;
    ::CreateDirectoryW(existing.c_str(), nullptr);
  }
  return FolderExists(path);
}

bool EnsureFolderExists(wchar_t* path, bool create) {
  if (!path) return false;
  struct _stat64 status = {};
  if (::_wstat64(path, &status) == 0) return true;
  if (!create) return false;
  if (::_wmkdir(path) == 0) return true;

  wchar_t* last = ::wcsrchr(path, L'\\');
  if (!last || last == path) return false;
  *last = L'\0';
  const bool parentMade = EnsureFolderExists(path, true);
  *last = L'\\';
  return parentMade && ::_wmkdir(path) == 0;
}

bool FileExists(const std::wstring& path) {
  fw::File file;
  return file.Open(path, fw::File::modeRead | fw::File::shareDenyNone);
}

bool IsFileReadOnly(const std::wstring& path) {
  return (::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY) != 0;
}
