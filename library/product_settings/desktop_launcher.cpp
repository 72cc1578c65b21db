#include "framework/file.h"
#include "framework/handles.h"
#include "library/product_settings/desktop_launcher_detail.h"
#include "library/product_settings/product_settings.h"
#include "library/temp_registry/temp_registry.h"

namespace product_settings::detail {

std::wstring LauncherCommandLine(const std::wstring& startProgram, const std::wstring& spaceUrl,
                                 const std::wstring& myAppsUrl, const std::wstring& registryUrl,
                                 const std::wstring& tenant) {
  return L"\"" + startProgram + L"\" -run \"QFXDesktopLauncher.exe\" -object \"-Url=" + spaceUrl +
         L" --AppName=\\\"QFXCQFK_AP\\\" -MyAppsURL=" + myAppsUrl + L" -tenant=" + tenant +
         L" -3DRegistryURL=" + registryUrl;
}

}  // namespace product_settings::detail

namespace {

constexpr wchar_t kLauncherKey[] = L"SOFTWARE\\Brevanne Koltec\\QFXConnectors\\QFXDesktopLauncher";
constexpr wchar_t kPlatformUserKey[] =
    L"Software\\Brevanne Koltec\\QUILLFORGEPDM\\Servers\\CORVANTA";

std::wstring ReadUserPlatformValue(const wchar_t* name) {
  std::wstring text;
  ReadValueAsText(HKEY_CURRENT_USER, kPlatformUserKey, name, text);
  return text;  // missing counts as empty
}

}  // namespace

bool StartDesktopLauncher(HANDLE* process) {
  std::wstring folder;
  if (!ReadValueAsText(HKEY_LOCAL_MACHINE, kLauncherKey, L"Path", folder) || folder.empty()) {
    return false;
  }
  // Plain concatenation: a stored trailing backslash doubles, as the
  // launcher's installer has always been read.
  const std::wstring launcher = folder + L"\\QFXDesktopLauncher.exe";
  const std::wstring startProgram = folder + L"\\HALSTART.exe";

  fw::File probe;
  if (!probe.Open(launcher, fw::File::modeRead | fw::File::shareDenyNone)) return false;
  probe.Close();
  if (!FileExists(startProgram)) return false;

  const std::wstring spaceUrl = ReadUserPlatformValue(L"SpaceURL");
  const std::wstring myAppsUrl = ReadUserPlatformValue(L"MyAppsURL");
  const std::wstring registryUrl = ReadUserPlatformValue(L"RegistryURL");
  const std::wstring tenant = ReadUserPlatformValue(L"Tenant");
  if (spaceUrl.empty() || myAppsUrl.empty() || registryUrl.empty() || tenant.empty()) return false;

  std::wstring commandLine = product_settings::detail::LauncherCommandLine(
      startProgram, spaceUrl, myAppsUrl, registryUrl, tenant);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info = {};
  // A failed start is the caller's to notice through the null handle.
  ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                   &startup, &info);
  fw::unique_handle thread(info.hThread);
  fw::unique_handle owned(info.hProcess);
  if (process != nullptr) *process = owned.release();
  return true;
}
