// A foreign client: opens the ElevatedTasks pipe and closes it at once, the number of times given.

#include <windows.h>

#include <cstdlib>

int wmain(int argc, wchar_t* argv[]) {
  const wchar_t* name = L"\\\\.\\pipe\\VxToElevatedExePipe";
  for (int knocks = argc > 1 ? _wtoi(argv[1]) : 1; knocks > 0;) {
    HANDLE pipe =
        ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
      ::CloseHandle(pipe);
      --knocks;
    } else if (::GetLastError() != ERROR_PIPE_BUSY || !::WaitNamedPipeW(name, 10000)) {
      return 1;  // gone, or not listening again within 10 s
    }
  }
  return 0;
}
