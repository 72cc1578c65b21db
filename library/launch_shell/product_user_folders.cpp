#include "elevated_tasks/elevated_tasks.h"
#include "library/launch_shell/launch_shell.h"

namespace {

// Only the last folder of the path is made: a missing parent is a caller's
// ordering mistake that shows as false rather than being papered over.
bool MakeUserFolder(int csidl, const std::wstring& below, std::wstring& folder) {
  if (!GetShellFolderPath(csidl, folder)) return false;
  folder += below;
  return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

std::wstring ReleaseFolderBelowAppData() {
  return std::wstring(L"\\Quillforge\\QUILLFORGE Vx ") + kVxReleaseText;
}

}  // namespace

bool GetLocalProductFolder(std::wstring& folder) {
  return MakeUserFolder(CSIDL_LOCAL_APPDATA, L"\\Quillforge", folder);
}

bool GetVxReleaseFolder(std::wstring& folder) {
  return MakeUserFolder(CSIDL_APPDATA, ReleaseFolderBelowAppData(), folder);
}

bool GetSceneloomSettingsFolder(std::wstring& folder) {
  return MakeUserFolder(CSIDL_APPDATA, ReleaseFolderBelowAppData() + L"\\Sceneloom Settings",
                        folder);
}
