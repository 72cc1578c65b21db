// Runs the system-description and privilege routines in a process of its
// own, so that a test can see what a freshly started process is told (Wine
// reads the Windows version it reports at process start) and every byte the
// routines write to standard output.
//
//   system_probe os
//     GetOsDescription=<result>, the text, IsWindows2000=<result> and
//     IsNtMinorVersionOne=<result>, one per line.
//   system_probe privilege <name> <0|1> [<name> <0|1> ...]
//     EnableTokenPrivilege for each pair in turn, each followed by
//     "result=<code>"; whatever the routine writes comes before that line.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "library/system_files/system_files.h"

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return "";
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        bytes, nullptr, nullptr);
  return narrow;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc >= 2 && std::wcscmp(argv[1], L"os") == 0) {
    std::wstring text = L"not emptied";
    const BOOL described = GetOsDescription(text);
    std::printf("GetOsDescription=%d\n%s\n", described, Utf8(text).c_str());
    std::printf("IsWindows2000=%d\nIsNtMinorVersionOne=%d\n", IsWindows2000(),
                IsNtMinorVersionOne());
    return 0;
  }
  if (argc >= 4 && argc % 2 == 0 && std::wcscmp(argv[1], L"privilege") == 0) {
    for (int i = 2; i + 1 < argc; i += 2) {
      const DWORD result = EnableTokenPrivilege(argv[i], std::wcscmp(argv[i + 1], L"0") != 0);
      std::printf("result=%lu\n", result);
    }
    return 0;
  }
  std::fprintf(stderr, "usage: system_probe os | privilege <name> <0|1> ...\n");
  return 2;
}
