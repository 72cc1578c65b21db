#pragma once
// Temporary data and registry value utilities of the diagnostics tool.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/text.h"

// ---- Temporary-data statistics ---------------------------------------------

// ---- Temporary folders and folder creation ---------------------------------

// ---- Product settings in the registry --------------------------------------
// A setting is addressed by a root (a hive or an open key, never closed
// here), a sub-key path below it (the product key), a section below that
// (may be empty: the value then lies in the product key itself) and a value
// name. These routines keep process-wide state without locks (the product
// key name, the C runtime's numeric locale during a conversion): call them
// from one thread at a time.

// How a setting is stored. Any value other than Dword and String acts as Double.
enum class SettingValueType : int32_t {
  Dword = 0,   // REG_DWORD, 4 bytes; the caller's DWORD
  Double = 1,  // REG_SZ holding the number as text ("%.18g", point as separator)
  String = 2,  // REG_SZ, or numbered pieces "N0+", "N1+", ... when long
};

// The process-wide product key below "Software": empty at process start.
std::wstring& ProductKeyName();
// The product key as the settings routines take it: sets ProductKeyName to
// "Quillforge" first when it is empty.
const std::wstring& TakeProductKeyName();
// Sets ProductKeyName to "Quillforge\<name>".
void SetProductKeyName(const std::wstring& name);

// Reads root\subKey\section\name into the out variable of the type (text,
// number or value); the others are neither needed nor touched, and a missing
// one gives false. Type mismatches are failures, not conversions. A String
// read from numbered pieces appends them to the text as it stands.
bool ReadSettingValue(const std::wstring& subKey, HKEY root, const std::wstring& section,
                      const std::wstring& name, SettingValueType type, std::wstring* text,
                      DWORD* number, double* value);

// Writes one setting, creating the keys as needed. A String of up to 1022
// characters is one REG_SZ value, a longer one numbered pieces; either way
// the other form is removed. The pointer of the type must be given.
bool WriteSettingValue(const std::wstring& subKey, HKEY root, const std::wstring& section,
                       const std::wstring& name, SettingValueType type, const std::wstring& text,
                       const DWORD* number, const double* value);

// Looks for a setting in HKEY_CURRENT_USER\Software (under the product key,
// then under ProductKeyName as it stands), HKEY_LOCAL_MACHINE\Software and
// HKEY_USERS\.DEFAULT\Software, in that order; machineOnly skips the user's
// hive. The product key is explicitProductKey when not empty, else
// ProductKeyName (useProductKey) or "Quillforge". A setting under
// "Quillforge\Quillforge 2001 Viewer" is read from the user's hive only.
bool ReadProductSetting(const std::wstring& section, const std::wstring& name,
                        SettingValueType type, std::wstring* text, DWORD* number, double* value,
                        bool machineOnly, bool useProductKey,
                        const std::wstring& explicitProductKey = std::wstring());

// Writes a setting below HKEY_CURRENT_USER\Software under ProductKeyName
// (useProductKey) or "Quillforge". The user's hive is the only place written.
bool WriteProductSetting(const std::wstring& section, const std::wstring& name,
                         SettingValueType type, const std::wstring& text, const DWORD* number,
                         const double* value, bool useProductKey);

// Appends the REG_SZ pieces "<name>0+", "<name>1+", ... of an open key to
// text, up to the first missing or non-text piece. Returns false when at
// least one piece was read, true when none was (or key is null).
bool ReadNumberedValues(HKEY key, const std::wstring& name, std::wstring& text);

// Replaces the plain value and the pieces of name with pieces of at most 1015
// characters (an empty text gives one empty piece). 0 on success, 1 when key
// is null or a write fails (the pieces written before it stay).
int WriteNumberedValues(HKEY key, const std::wstring& name, const std::wstring& text);

// Deletes "<name>0+", "<name>1+", ... up to the first that cannot be deleted;
// pieces beyond a gap stay. Always true.
bool DeleteNumberedValues(HKEY key, const std::wstring& name);

// ---- .NET Framework installation detection ---------------------------------
// Read from HKEY_LOCAL_MACHINE\Software\Microsoft\.NETFramework. A runtime
// version sub-key is one whose name starts with "v", a digit 2 to 9 other than
// 3, and "." (v2.0.50727, v4.0.30319; not v1.1.4322, v3.5, V4.0 or policy).

// The "InstallRoot" value as stored (any type, as text).
bool GetDotNetInstallRoot(std::wstring& installRoot);

// Adds the runtime version sub-key names at the head of versions, so they end
// up in reverse enumeration order (highest first) before what was there.
// True when at least one name was added.
bool ListDotNetFrameworkVersions(fw::StringList& versions);

// InstallRoot followed directly by a version name (no separator added), the
// highest version first; true for the first such path that exists. On false
// after candidates were tried, path holds the last candidate.
bool FindDotNetFrameworkFolder(std::wstring& path);

// ---- Path strings and file listings ----------------------------------------

// ---- Volume probe, text files and the store database path ------------------
