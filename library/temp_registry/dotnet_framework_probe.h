#pragma once
// The .NET Framework probe with its registry key as a parameter, so that it
// can read a key tree other than the machine's; the public routines are
// these with HKEY_LOCAL_MACHINE and kDotNetFrameworkKey.

#include <windows.h>

#include <string>

#include "framework/text.h"

namespace temp_registry::detail {

inline constexpr wchar_t kDotNetFrameworkKey[] = L"Software\\Microsoft\\.NETFramework";

// "v", a digit 2-9 other than 3, "."; case-sensitive, first three units only.
bool IsDotNetVersionKeyName(const std::wstring& name);

bool GetDotNetInstallRootAt(HKEY root, const std::wstring& keyPath, std::wstring& installRoot);
bool ListDotNetFrameworkVersionsAt(HKEY root, const std::wstring& keyPath,
                                   fw::StringList& versions);
bool FindDotNetFrameworkFolderAt(HKEY root, const std::wstring& keyPath, std::wstring& path);

}  // namespace temp_registry::detail
