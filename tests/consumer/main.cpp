// Calls the installed library as the diagnostics tool does; exits 1 when a check fails.
#include <cstdio>
#include <string>

#include "library/launch_shell/launch_shell.h"
#include "library/product_settings/product_settings.h"
#include "library/system_files/system_files.h"
#include "library/temp_registry/temp_registry.h"

static int failures = 0;

static void Check(bool ok, const char* what, const std::wstring& seen) {
  std::printf("%s %s: %ls\n", ok ? "ok  " : "FAIL", what, seen.c_str());
  failures += ok ? 0 : 1;
}

static std::wstring Beside(const wchar_t* name) {
  wchar_t self[MAX_PATH] = {};
  const std::wstring folder(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

int main() {
  std::wstring os;
  Check(GetOsDescription(os) && os.rfind(L"Microsoft Windows ", 0) == 0, "GetOsDescription", os);

  const std::wstring temp = GetProcessTempFolder(false);
  Check(!temp.empty() && temp.back() == L'\\', "GetProcessTempFolder", temp);

  const wchar_t key[] = L"Software\\Brevanne Koltec\\VxConsumer";
  ::RegSetKeyValueW(HKEY_CURRENT_USER, key, L"Number", REG_DWORD, "\xfe\xff\xff\xff", 4);
  std::wstring number;
  Check(ReadValueAsText(HKEY_CURRENT_USER, key, L"Number", number) && number == L"-2",
        "ReadValueAsText of a DWORD", number);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, key);
  ::RegDeleteKeyW(HKEY_CURRENT_USER, key);

  const std::wstring expected = L"" VX_PACKAGE_VERSION;
  for (const wchar_t* program : {L"qlfvxET.exe", L"qlfvxETctl.exe"}) {
    const std::wstring version = GetFileVersionString(Beside(program).c_str());
    Check(version == expected, "version resource equals the package version", version);
  }
  return failures == 0 ? 0 : 1;
}
