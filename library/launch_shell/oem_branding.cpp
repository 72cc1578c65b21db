#include <shlwapi.h>

#include "elevated_tasks/elevated_tasks.h"
#include "library/launch_shell/launch_shell.h"

bool HasOemRegistryName() {
  std::wstring path;
  if (GetShellFolderPath(CSIDL_PROGRAM_FILES_COMMON, path)) {
    path += std::wstring(L"\\Quillforge Shared\\") + kVxReleaseText + L"\\qlfvx\\reg.ini";
  } else {
    path.clear();
  }
  if (!::PathFileExistsW(path.c_str())) return false;
  wchar_t name[MAX_PATH] = {};
  ::GetPrivateProfileStringW(L"OEMNAME", L"OEMREGISTRYNAME", L"", name, MAX_PATH, path.c_str());
  return name[0] != L'\0';
}
