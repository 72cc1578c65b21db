#include <windows.h>

#include <vector>

#include "framework/handles.h"
#include "library/temp_registry/temp_registry.h"

namespace {

// The folder a search pattern lists, as an absolute path ending in a
// backslash, the way the search names its results: "C:\a\\*.*" gives
// "C:\a\". Empty when the pattern has no full form.
std::wstring SearchRoot(const std::wstring& pattern) {
  const DWORD needed = ::GetFullPathNameW(pattern.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::wstring();
  std::vector<wchar_t> full(needed + 1, L'\0');
  const DWORD length =
      ::GetFullPathNameW(pattern.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return std::wstring();
  std::wstring root(full.data(), length);
  const size_t separator = root.rfind(L'\\');
  root.resize(separator == std::wstring::npos ? 0 : separator + 1);
  return root;
}

}  // namespace

void ListFilesWithExtension(const std::wstring& folder, const std::wstring& extension,
                            fw::StringList& list) {
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() == L'\\') pattern.pop_back();
  pattern += L"\\*." + extension;

  WIN32_FIND_DATAW found = {};
  fw::unique_findhandle search(::FindFirstFileW(pattern.c_str(), &found));
  if (!search) return;
  do {
    list.push_back(fw::BoundedText(found.cFileName, MAX_PATH));
  } while (::FindNextFileW(search.get(), &found));
}

void ListFolderTree(const std::wstring& folder, fw::StringArray& paths, bool includeFolders) {
  const std::wstring pattern = folder + L"\\*.*";
  const std::wstring root = SearchRoot(pattern);
  WIN32_FIND_DATAW found = {};
  fw::unique_findhandle search(::FindFirstFileW(pattern.c_str(), &found));
  if (!search) return;
  do {
    const std::wstring name = fw::BoundedText(found.cFileName, MAX_PATH);
    if (name == L"." || name == L"..") continue;
    const std::wstring path = root + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (includeFolders) paths.push_back(path);
      ListFolderTree(path, paths, false);
    } else {
      paths.push_back(path);
    }
  } while (::FindNextFileW(search.get(), &found));
}
