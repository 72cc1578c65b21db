// Takes the ElevatedTasks pipe name first and appends every byte it receives to the file.

#include <windows.h>

int wmain(int argc, wchar_t* argv[]) {
  if (argc != 2) return 2;
  HANDLE pipe = ::CreateNamedPipeW(L"\\\\.\\pipe\\VxToElevatedExePipe", PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                   PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
  HANDLE record = ::CreateFileW(argv[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, CREATE_ALWAYS, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE || record == INVALID_HANDLE_VALUE) return 1;
  for (;;) {
    if (::ConnectNamedPipe(pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
      char bytes[4096];
      DWORD count = 0;
      while (::ReadFile(pipe, bytes, sizeof(bytes), &count, nullptr) ||
             ::GetLastError() == ERROR_MORE_DATA) {
        ::WriteFile(record, bytes, count, &count, nullptr);
      }
    }
    ::DisconnectNamedPipe(pipe);
  }
}
