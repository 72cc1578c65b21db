// Stands in for the diagnostics tool, under whatever file name a test copies
// it to. Command lines:
//   spawn OUT         starts itself as "report OUT" and waits for that child
//   spawn-leave OUT   starts itself as "report-orphan OUT <own id>" and ends at once
//   report OUT        writes GetParentProcessName and GetLaunchingProductName
//                     to OUT (UTF-8, one line each: "parent=..." "product=...")
//   report-orphan OUT ID   waits for process ID to end, then does as report
//   launch [PARAMS]   calls LaunchElevatedTasks with PARAMS (or the empty text)
// Exit code: 0, or 3 for a usage or start failure.

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "framework/handles.h"
#include "library/launch_shell/launch_shell.h"
#include "library/system_files/system_files.h"

namespace {

std::wstring OwnPath() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return "";
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

int Report(const wchar_t* outPath) {
  const std::string record = "parent=" + Utf8(GetParentProcessName()) +
                             "\nproduct=" + Utf8(GetLaunchingProductName()) + "\n";
  fw::unique_hfile file(
      ::CreateFileW(outPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return 3;
  DWORD written = 0;
  ::WriteFile(file.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  return 0;
}

fw::unique_handle StartSelf(const std::wstring& arguments) {
  std::wstring line = L"\"" + OwnPath() + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
    return fw::unique_handle();
  }
  ::CloseHandle(info.hThread);
  return fw::unique_handle(info.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  if (argc < 2) return 3;
  const std::wstring mode = argv[1];
  if (mode == L"launch") {
    LaunchElevatedTasks(argc > 2 ? argv[2] : L"");
    return 0;
  }
  if (argc < 3) return 3;
  const std::wstring out = argv[2];
  if (mode == L"report") return Report(out.c_str());
  if (mode == L"report-orphan" && argc > 3) {
    fw::unique_handle parent(
        ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(::_wtol(argv[3]))));
    if (parent) ::WaitForSingleObject(parent.get(), 30000);
    return Report(out.c_str());
  }
  if (mode == L"spawn") {
    fw::unique_handle child = StartSelf(L"report \"" + out + L"\"");
    if (!child) return 3;
    ::WaitForSingleObject(child.get(), 30000);
    return 0;
  }
  if (mode == L"spawn-leave") {
    fw::unique_handle child =
        StartSelf(L"report-orphan \"" + out + L"\" " + std::to_wstring(::GetCurrentProcessId()));
    return child ? 0 : 3;
  }
  return 3;
}
