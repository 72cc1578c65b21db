// Calls the installed libraries as the diagnostics tool does, at least one
// routine of every installed header; exits 1 when a check fails.
#include <cstdio>
#include <string>

#include "elevated_tasks/elevated_tasks.h"
#include "elevated_tasks/pipe_protocol.h"
#include "framework/app.h"
#include "framework/file.h"
#include "framework/handles.h"
#include "framework/profile.h"
#include "framework/text.h"
#include "library/launch_shell/launch_shell.h"
#include "library/product_settings/document_component.h"
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
  // The headers used below, one each; a header installed since needs a call here.
  Check(VX_HEADER_COUNT == 12, "every installed header is used", std::to_wstring(VX_HEADER_COUNT));

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

  // The pipe's contract, the commands and the shared folder routines.
  PipeMessage message = {};
  Check(BuildPipeMessage(DebugDirSet, L"C:\\x", message) && message.path[4] == L'\0',
        "BuildPipeMessage", L"C:\\x");
  Check(AcknowledgementMessage().command == Done, "AcknowledgementMessage", L"");
  DispatchCommand(AcknowledgementMessage());  // Done: does nothing
  std::wstring name;
  Check(GetTraceFileName(name) && name == L"qlfvxPerfData.etl", "GetTraceFileName", name);

  // The framework.
  Check(fw::AppInit(::GetModuleHandleW(nullptr), nullptr, L"vx_consumer", 0), "AppInit", L"");
  Check(fw::CompareNoCase(L"ABC", L"abc") == 0, "CompareNoCase", L"ABC");
  Check(fw::FileErrorFromOs(ERROR_FILE_NOT_FOUND).cause != 0, "FileErrorFromOs", L"");
  fw::unique_handle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Check(static_cast<bool>(event), "unique_handle", L"");
  Check(fw::ProfileKeyPath().rfind(L"Brevanne Koltec\\", 0) == 0, "ProfileKeyPath", fw::ProfileKeyPath());
  Check(CLSID_QfDocumentFactory.Data1 != 0, "the document component's class", L"");
  return failures == 0 ? 0 : 1;
}
