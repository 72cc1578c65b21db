// Stands in for the diagnostics tool, under whatever file name a test copies
// it to:
//   spawn OUT          runs itself as "report OUT" and waits for it
//   spawn-leave OUT    starts itself as "report OUT <own id>" and ends at once
//   report OUT [ID]    waits for process ID to end, then writes to OUT
//                      "parent=<GetParentProcessName>\nproduct=<GetLaunchingProductName>\n"

#include <windows.h>
#include <process.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/handles.h"
#include "library/system_files/system_files.h"

int wmain(int argc, wchar_t* argv[]) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (argc < 3) return 3;
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = L"\"" + std::wstring(self) + L"\"";
  const std::wstring out = L"\"" + std::wstring(argv[2]) + L"\"";
  const std::wstring id = std::to_wstring(::GetCurrentProcessId());
  if (mode == L"spawn") {
    return ::_wspawnl(_P_WAIT, self, program.c_str(), L"report", out.c_str(), nullptr);
  }
  if (mode == L"spawn-leave") {
    return ::_wspawnl(_P_NOWAIT, self, program.c_str(), L"report", out.c_str(), id.c_str(),
                      nullptr) == -1
               ? 3
               : 0;
  }
  if (argc > 3) {
    fw::unique_handle parent(::OpenProcess(SYNCHRONIZE, FALSE, std::wcstoul(argv[3], nullptr, 10)));
    if (parent) ::WaitForSingleObject(parent.get(), 30000);
  }
  FILE* file = ::_wfopen(argv[2], L"wb");
  if (!file) return 3;
  std::fprintf(file, "parent=%ls\nproduct=%ls\n", GetParentProcessName().c_str(),
               GetLaunchingProductName().c_str());
  return std::fclose(file) == 0 ? 0 : 3;
}
