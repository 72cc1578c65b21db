// The diagnostics tool that launches ElevatedTasks: lives the ms given (default a minute).

#include <windows.h>

#include <cstdlib>

int wmain(int argc, wchar_t* argv[]) {
  ::Sleep(argc > 1 ? static_cast<DWORD>(_wtol(argv[1])) : 60000);
  return 0;
}
