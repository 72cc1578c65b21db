#include <windows.h>
#include <shlobj.h>

#include "elevated_tasks/command_text.h"
#include "elevated_tasks/elevated_tasks.h"
#include "framework/handles.h"

using namespace elevated::detail;

std::wstring GetTempFolder() {
  wchar_t buffer[kEnvironmentBufferUnits] = {};
  const DWORD result =
      ::GetEnvironmentVariableW(L"TEMP", buffer, static_cast<DWORD>(kEnvironmentBufferUnits));
  return TempFolderFromEnvironment(result, buffer);
}

bool GetShellFolderPath(int csidl, std::wstring& path) {
  wchar_t buffer[MAX_PATH] = {};
  PIDLIST_ABSOLUTE rawList = nullptr;
  if (::SHGetSpecialFolderLocation(nullptr, csidl, &rawList) != S_OK) return false;
  // The shell allocates item lists with the COM task allocator.
  fw::unique_cotaskmem itemList(rawList);
  if (itemList) ::SHGetPathFromIDListW(rawList, buffer);
  buffer[MAX_PATH - 1] = L'\0';
  path = buffer;
  return true;
}

bool GetRoamingProductFolder(std::wstring& folder) {
  if (!GetShellFolderPath(CSIDL_APPDATA, folder)) return false;
  folder += L"\\Quillforge";
  return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool GetTraceFolder(std::wstring& output, std::wstring folder) {
  output.clear();
  if (!folder.empty()) {
    output = std::move(folder);
  } else {
    GetRoamingProductFolder(output);
  }
  return true;
}

bool GetTraceFileName(std::wstring& name) {
  name = L"qlfvxPerfData.etl";
  return true;
}
