// Which .NET Framework runtimes the machine has, and where their folder lies.

#include "library/temp_registry/temp_registry.h"

#include "framework/handles.h"
#include "library/product_settings/product_settings.h"
#include "library/temp_registry/dotnet_framework_probe.h"

namespace temp_registry::detail {

bool IsDotNetVersionKeyName(const std::wstring& name) {
  return name.size() >= 3 && name[0] == L'v' && name[1] >= L'2' && name[1] <= L'9' &&
         name[1] != L'3' && name[2] == L'.';
}

bool GetDotNetInstallRootAt(HKEY root, const std::wstring& keyPath, std::wstring& installRoot) {
  return ReadValueAsText(root, keyPath, L"InstallRoot", installRoot);
}

bool ListDotNetFrameworkVersionsAt(HKEY root, const std::wstring& keyPath,
                                   fw::StringList& versions) {
  fw::unique_hkey key;
  if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  bool added = false;
  for (DWORD index = 0;; ++index) {
    wchar_t name[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;  // the end, or a name too long to be a version
    }
    std::wstring text = fw::BoundedText(name, MAX_PATH);
    if (IsDotNetVersionKeyName(text)) {
      versions.push_front(std::move(text));
      added = true;
    }
  }
  return added;
}

bool FindDotNetFrameworkFolderAt(HKEY root, const std::wstring& keyPath, std::wstring& path) {
  std::wstring installRoot;
  if (!GetDotNetInstallRootAt(root, keyPath, installRoot)) return false;
  fw::StringList versions;
  if (!ListDotNetFrameworkVersionsAt(root, keyPath, versions)) return false;
  for (const std::wstring& version : versions) {
    path = installRoot + version;
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  }
  return false;
}

}  // namespace temp_registry::detail

using namespace temp_registry::detail;

bool GetDotNetInstallRoot(std::wstring& installRoot) {
  return GetDotNetInstallRootAt(HKEY_LOCAL_MACHINE, kDotNetFrameworkKey, installRoot);
}

bool ListDotNetFrameworkVersions(fw::StringList& versions) {
  return ListDotNetFrameworkVersionsAt(HKEY_LOCAL_MACHINE, kDotNetFrameworkKey, versions);
}

bool FindDotNetFrameworkFolder(std::wstring& path) {
  return FindDotNetFrameworkFolderAt(HKEY_LOCAL_MACHINE, kDotNetFrameworkKey, path);
}
