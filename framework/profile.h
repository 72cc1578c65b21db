#pragma once
// The application profile: the per-user settings a desktop application keeps
// for itself. Only the registry form exists here: every section is a key
// below HKEY_CURRENT_USER\Software\<registry key>\<profile name>, every entry
// a REG_SZ value in it. There is no initialisation-file fallback.

#include <string>

namespace fw {

// The registry key below HKEY_CURRENT_USER\Software that holds the profile:
// "Brevanne Koltec\<profile name>", where the profile name is the
// application's title (AppInit), else the running module's base name.
std::wstring ProfileKeyPath();

// Moves the profile to Software\<registryKey>\<profileName>; an empty
// profileName keeps the application's title.
void SetProfileRegistryKey(const std::wstring& registryKey, const std::wstring& profileName = L"");

// The entry's text, or defaultText when the section or entry is missing or
// the value is not a REG_SZ. A stored text ends at its first NUL.
std::wstring ReadProfileString(const std::wstring& section, const std::wstring& entry,
                               const std::wstring& defaultText = L"");

}  // namespace fw
