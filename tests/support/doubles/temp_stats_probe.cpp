// Runs the temporary-data statistics in a process of its own, so that a
// debugger can receive its report lines.
//
//   temp_stats_probe.exe <folder> <pattern> <kind> <reset 0|1> [<folder> <pattern> <kind>
//   <reset>]...
//
// Each group is one CountFolderContents call, in order. Afterwards one line
// per kind 1 to 3 on standard output: "kind=<k> files=<n> folders=<n> size=<n>".
// Exit code 0, or 2 for bad arguments, 3 when a call returned false.

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "library/temp_registry/temp_registry.h"

int wmain(int argc, wchar_t* argv[]) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 5 || (argc - 1) % 4 != 0) return 2;
  int code = 0;
  for (int i = 1; i + 3 < argc; i += 4) {
    const auto kind = static_cast<TempDataKind>(std::wcstol(argv[i + 2], nullptr, 10));
    const bool reset = std::wcscmp(argv[i + 3], L"1") == 0;
    if (!CountFolderContents(argv[i], argv[i + 1], kind, reset)) code = 3;
  }
  for (int k = 1; k <= 3; ++k) {
    int32_t files = 0;
    int32_t folders = 0;
    uint64_t size = 0;
    GetTempDataStatistics(files, folders, size, static_cast<TempDataKind>(k));
    std::printf("kind=%d files=%d folders=%d size=%llu\n", k, static_cast<int>(files),
                static_cast<int>(folders), static_cast<unsigned long long>(size));
  }
  return code;
}
