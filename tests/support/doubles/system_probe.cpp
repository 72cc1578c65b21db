// Runs the routines in a process of its own: Wine fixes the version a process
// is told at its start, and the privilege routine writes to the console.
//   system_probe os        "<GetOsDescription> <text>" then
//                          "<IsWindows2000> <IsNtMinorVersionOne>"
//   system_probe privilege NAME 0|1 ...   each pair's lines, then "result=<code>"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "library/system_files/system_files.h"

int wmain(int argc, wchar_t* argv[]) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc == 2 && std::wcscmp(argv[1], L"os") == 0) {
    std::wstring text = L"not emptied";
    const BOOL described = GetOsDescription(text);
    std::string narrow(text.size() * 3 + 1, '\0');
    narrow.resize(static_cast<size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow.data(),
                              static_cast<int>(narrow.size()), nullptr, nullptr)));
    std::printf("%d %s\n%d %d\n", described, narrow.c_str(), IsWindows2000(),
                IsNtMinorVersionOne());
    return 0;
  }
  if (argc >= 4 && argc % 2 == 0 && std::wcscmp(argv[1], L"privilege") == 0) {
    for (int i = 2; i + 1 < argc; i += 2) {
      std::printf("result=%lu\n", EnableTokenPrivilege(argv[i], std::wcscmp(argv[i + 1], L"0")));
    }
    return 0;
  }
  return 2;
}
