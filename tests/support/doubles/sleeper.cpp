// A process that only lives: stands in for the diagnostics tool that
// launched ElevatedTasks. Argument: milliseconds to live (default: 60000).

#include <windows.h>

#include <cstdlib>

int wmain(int argc, wchar_t* argv[]) {
  ::Sleep(argc > 1 ? static_cast<DWORD>(_wtol(argv[1])) : 60000);
  return 0;
}
