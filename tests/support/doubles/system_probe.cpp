// Wine fixes a process's version at its start; privileges print; identity judges the parent.
//   os                 "<GetOsDescription> <text>\n<IsWindows2000> <IsNtMinorVersionOne>"
//   privilege NAME 0|1 ...  each pair's console lines, then "result=<code>"
//   spawn[-leave] OUT  runs itself as "report OUT" and waits for it (-leave: ends at once)
//   report OUT [ID]    after process ID ends, writes "parent=<name>\nproduct=<name>\n" to OUT

#include <windows.h>
#include <process.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/handles.h"
#include "library/system_files/system_files.h"

int wmain(int argc, wchar_t* argv[]) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"os") {
    std::wstring text = L"not emptied";
    std::printf("%d ", GetOsDescription(text));
    std::printf("%ls\n%d %d\n", text.c_str(), IsWindows2000(), IsNtMinorVersionOne());
    return 0;
  }
  if (mode == L"privilege") {
    for (int i = 2; i + 1 < argc; i += 2) {
      std::printf("result=%lu\n", EnableTokenPrivilege(argv[i], std::wcscmp(argv[i + 1], L"0")));
    }
    return 0;
  }
  if (argc < 3) return 2;
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = L"\"" + std::wstring(self) + L"\"";
  const std::wstring out = L"\"" + std::wstring(argv[2]) + L"\"";
  const std::wstring id = std::to_wstring(::GetCurrentProcessId());
  if (mode == L"spawn" || mode == L"spawn-leave") {
    const bool leave = mode == L"spawn-leave";
    const intptr_t result =
        ::_wspawnl(leave ? _P_NOWAIT : _P_WAIT, self, program.c_str(), L"report", out.c_str(),
                   leave ? id.c_str() : nullptr, nullptr);
    return leave ? (result == -1 ? 3 : 0) : static_cast<int>(result);
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
