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

int main() {
  // The headers used below, one each; a header installed since needs a call here.
  Check(VX_HEADER_COUNT == 12, "every installed header is used", std::to_wstring(VX_HEADER_COUNT));

  std::wstring os;
  Check(GetOsDescription(os) && os.rfind(L"Microsoft Windows ", 0) == 0, "GetOsDescription", os);

  const std::wstring temp = GetProcessTempFolder(false);
  Check(!temp.empty() && temp.back() == L'\\', "GetProcessTempFolder", temp);

  const std::wstring expected = L"" VX_PACKAGE_VERSION;
  for (const wchar_t* program : {L"qlfvxET.exe", L"qlfvxETctl.exe"}) {
    const std::wstring version =
        GetFileVersionString((GetModuleFolder() + L"\\" + program).c_str());
    Check(version == expected, "version resource equals the package version", version);
  }

  Check(AcknowledgementMessage().command == Done, "AcknowledgementMessage", L"");
  std::wstring name;
  Check(GetTraceFileName(name) && name == L"qlfvxPerfData.etl", "GetTraceFileName", name);

  Check(fw::AppInit(::GetModuleHandleW(nullptr), nullptr, L"vx_consumer", 0), "AppInit", L"");
  Check(fw::CompareNoCase(L"ABC", L"abc") == 0, "CompareNoCase", L"ABC");
  Check(fw::FileErrorFromOs(ERROR_FILE_NOT_FOUND).cause != 0, "FileErrorFromOs", L"");
  fw::unique_handle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Check(static_cast<bool>(event), "unique_handle", L"");
  Check(fw::ProfileKeyPath().rfind(L"Brevanne Koltec\\", 0) == 0, "ProfileKeyPath",
        fw::ProfileKeyPath());
  Check(CLSID_QfDocumentFactory.Data1 != 0, "the document component's class", L"");
  return failures == 0 ? 0 : 1;
}
