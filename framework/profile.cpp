#include "framework/profile.h"

#include <windows.h>

#include <vector>

#include "framework/app.h"
#include "framework/handles.h"
#include "framework/text.h"

namespace fw {
namespace {

struct ProfileLocation {
  std::wstring registryKey = L"Brevanne Koltec";
  std::wstring profileName;  // empty: the application's title
};

ProfileLocation& Location() {
  static ProfileLocation location;
  return location;
}

std::wstring DefaultProfileName() {
  if (!App().title.empty()) return App().title;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  std::wstring name(path, length);
  name.erase(0, name.find_last_of(L"\\/") + 1);  // npos + 1 keeps it whole
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

}  // namespace

std::wstring ProfileKeyPath() {
  const ProfileLocation& location = Location();
  const std::wstring name =
      location.profileName.empty() ? DefaultProfileName() : location.profileName;
  return location.registryKey + L"\\" + name;
}

void SetProfileRegistryKey(const std::wstring& registryKey, const std::wstring& profileName) {
  Location() = ProfileLocation{registryKey, profileName};
}

std::wstring ReadProfileString(const std::wstring& section, const std::wstring& entry,
                               const std::wstring& defaultText) {
  const std::wstring keyPath = L"Software\\" + ProfileKeyPath() + L"\\" + section;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return defaultText;
  }
  // The value may grow between the size query and the read: ask again then.
  std::vector<BYTE> data;
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegQueryValueExW(key.get(), entry.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
      return defaultText;
    }
    data.assign(size, 0);
    const LONG status =
        ::RegQueryValueExW(key.get(), entry.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS || type != REG_SZ) return defaultText;
    return BoundedText(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
  }
  return defaultText;
}

}  // namespace fw
