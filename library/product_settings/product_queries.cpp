#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

#include "framework/app.h"
#include "framework/handles.h"
#include "elevated_tasks/shell_folders.h"
#include "library/product_settings/product_queries_detail.h"
#include "library/product_settings/product_settings.h"
#include "library/temp_registry/temp_registry.h"

namespace product_settings::detail {

std::wstring TextBeforeLastBackslash(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring MainExecutablePathFor(const std::wstring& moduleFolder) {
  const size_t slash = moduleFolder.rfind(L'\\');
  const std::wstring parent =
      slash != std::wstring::npos && slash >= 1 ? moduleFolder.substr(0, slash + 1) : L"";
  return parent + L"qlfmain.exe";
}

bool IsInternetExplorerVersionText(const std::wstring& version) {
  return fw::CompareNoCase(version, L"4.71.1712.6") >= 0;
}

std::vector<std::wstring> PlatformDataCandidates(const std::wstring& path) {
  if (path.empty()) return {};
  return {TextBeforeLastBackslash(path) + L"\\corvanta.dat", path + L"\\corvanta.dat"};
}

std::wstring ParentPlatformDataFile(const std::wstring& moduleFolder) {
  const std::wstring parent = TextBeforeLastBackslash(moduleFolder);
  return parent.empty() ? L"" : parent + L"\\corvanta.dat";
}

std::wstring TrimBlanks(const std::wstring& text) {
  size_t first = 0, last = text.size();
  while (first < last && std::iswspace(text[first])) ++first;
  while (last > first && std::iswspace(text[last - 1])) --last;
  return text.substr(first, last - first);
}

}  // namespace product_settings::detail

using namespace product_settings::detail;

namespace {

constexpr wchar_t kPlatformUserKey[] =
    L"Software\\Brevanne Koltec\\QUILLFORGEPDM\\Servers\\CORVANTA";
// What RequireInternetExplorerVersion shows when the program carries no
// string resource 1916 of its own.
constexpr wchar_t kInternetExplorerMessage[] =
    L"This feature needs Internet Explorer 4.71.1712.6 or later.\n"
    L"Please install a newer version of Internet Explorer and try again.";

std::wstring ReadPlatformUserText(const wchar_t* name) {
  std::wstring text;
  ReadValueAsText(HKEY_CURRENT_USER, kPlatformUserKey, name, text);
  return text;
}

}  // namespace

std::wstring GetModulePath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::wstring(path, length < MAX_PATH ? length : MAX_PATH - 1);
}

std::wstring GetModuleFolder() { return TextBeforeLastBackslash(GetModulePath()); }

std::wstring GetMainExecutablePath() { return MainExecutablePathFor(GetModuleFolder()); }

bool GetSpecialFolderPath(int csidl, std::wstring& path) {
  std::wstring text;
  if (FAILED(elevated::detail::ShellFolderText(csidl, text))) return false;
  path = std::move(text);
  return true;
}

bool CreateAppDataProductFolder(std::wstring& folder) {
  if (!GetSpecialFolderPath(CSIDL_APPDATA, folder)) return false;
  return elevated::detail::AppendProductFolder(folder);
}

std::wstring GetOfficeVersion() { return ReadPlatformUserText(L"QFOfficeVersion"); }

std::wstring GetBackupDirectory() {
  std::wstring text;
  ReadProductSetting(L"General", L"Backup directory", SettingValueType::String, &text, nullptr,
                     nullptr, false, true);
  text = TrimBlanks(text);
  // Deliberately the root of the current drive, not the user's temp folder.
  return text.empty() ? L"\\Temp\\QFBackupDirectory" : text;
}

bool GetOfflineAliasName(std::wstring& alias) {
  ReadValueAsText(HKEY_CURRENT_USER, kPlatformUserKey, L"OFFLINE_AliasName", alias);
  return !alias.empty();
}

DWORD FindProcessIdByName(const std::wstring& name) {
  if (name.empty()) return 0;
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (fw::CompareNoCase(fw::BoundedText(entry.szExeFile, MAX_PATH), name) == 0) {
      return entry.th32ProcessID;
    }
  }
  return 0;
}

HANDLE StoreSmValueAndStartLauncher(const std::wstring& name, const std::wstring& text) {
  const std::wstring& productKey = TakeProductKeyName();
  fw::unique_hkey software, product, sm;
  if (::RegOpenKeyW(HKEY_CURRENT_USER, L"Software", software.put()) == ERROR_SUCCESS &&
      ::RegCreateKeyW(software.get(), productKey.c_str(), product.put()) == ERROR_SUCCESS &&
      ::RegCreateKeyW(product.get(), L"Quillforge Vx\\sm", sm.put()) == ERROR_SUCCESS) {
    product.reset();
    const size_t size = (text.size() + 1) * sizeof(wchar_t);
    DeleteNumberedValues(sm.get(), name);
    if (size <= 2047) {
      ::RegSetValueExW(sm.get(), name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(size));
    } else {
      WriteNumberedValues(sm.get(), name, text);
    }
  }
  // The launcher is started whether or not the value could be stored.
  HANDLE process = nullptr;
  StartDesktopLauncher(&process);
  return process;
}

bool IsInternetExplorerVersionSufficient() {
  std::wstring version;
  if (!ReadValueAsText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer", L"Version",
                       version)) {
    return false;
  }
  return IsInternetExplorerVersionText(version);
}

bool RequireInternetExplorerVersion() {
  if (IsInternetExplorerVersionSufficient()) return true;
  std::wstring message = fw::LoadResourceString(kInternetExplorerMessageId);
  if (message.empty()) message = kInternetExplorerMessage;
  fw::AppMessageBox(message, MB_ICONEXCLAMATION, static_cast<UINT>(-1));
  return false;
}

bool IsOnPremiseTenant() {
  return ReadPlatformUserText(L"TenantId").find(L"OnPremise") != std::wstring::npos;
}

bool IsUesAddInLoaded() {
  const std::wstring text = ReadPlatformUserText(L"UESAddInLoaded");
  return !text.empty() && fw::CompareNoCase(text, L"1") == 0;
}

bool HasPlatformDataFileNear(const std::wstring& path) {
  for (const std::wstring& candidate : PlatformDataCandidates(path)) {
    if (::PathFileExistsW(candidate.c_str())) return true;
  }
  return false;
}

bool HasPlatformDataFileInParentFolder() {
  const std::wstring marker = ParentPlatformDataFile(GetModuleFolder());
  return !marker.empty() && ::PathFileExistsW(marker.c_str());
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

bool ArePdmConnectorsInstalled() {
  std::wstring text;
  ReadValueAsText(HKEY_LOCAL_MACHINE, L"Software\\Brevanne Koltec\\Z5_Common\\xKEL_Connectors",
                  L"path", text);
  if (text.empty()) return false;
  text.clear();
  ReadValueAsText(HKEY_LOCAL_MACHINE, L"Software\\Brevanne Koltec\\QuillforgePDM", L"Location",
                  text);
  return !text.empty();
}

void EnsureTrailingBackslash(std::wstring& text) {
  if (!text.empty() && text.back() != L'\\') text.push_back(L'\\');
}

int CopyLeadingCharacters(const std::wstring& text, wchar_t* buffer, int count) {
  if (buffer == nullptr) return 0;
  const size_t copied = count < 1 ? 0 : std::min(static_cast<size_t>(count), text.size());
  for (size_t i = 0; i < copied; ++i) buffer[i] = text[i];
  buffer[copied] = L'\0';
  return static_cast<int>(copied);
}

bool DeleteChunkedProductValue(const std::wstring& subKey, const std::wstring& name,
                               bool useProductKeyName) {
  const std::wstring keyName = useProductKeyName ? TakeProductKeyName() : L"Quillforge";
  fw::unique_hkey key;
  if (::RegOpenKeyW(HKEY_CURRENT_USER, (L"Software\\" + keyName + L"\\" + subKey).c_str(),
                    key.put()) != ERROR_SUCCESS) {
    return false;
  }
  DeleteNumberedValues(key.get(), name);
  return true;
}

bool ReadDefaultUserOrMachineSetting(const std::wstring& subKey, const std::wstring& section,
                                     const std::wstring& name, SettingValueType type,
                                     std::wstring* text, DWORD* number, double* value) {
  fw::unique_hkey defaultUser, software;
  if (::RegOpenKeyW(HKEY_USERS, L".DEFAULT", defaultUser.put()) != ERROR_SUCCESS) return false;
  // The machine is asked only when the default user's Software key opens.
  if (::RegOpenKeyW(defaultUser.get(), L"Software", software.put()) != ERROR_SUCCESS) return false;
  defaultUser.reset();
  if (ReadSettingValue(subKey, software.get(), section, name, type, text, number, value)) {
    return true;
  }
  if (::RegOpenKeyW(HKEY_LOCAL_MACHINE, L"Software", software.put()) != ERROR_SUCCESS) return false;
  return ReadSettingValue(subKey, software.get(), section, name, type, text, number, value);
}
