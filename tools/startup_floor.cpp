// qlfvxETfloor.exe: the floor of the start-up benchmark. It makes the calls
// that ElevatedTasks must make before its pipe accepts a client, and nothing
// else: it takes the launcher's id, opens that process for waiting, creates
// the same pipe on a thread of its own, serves the one client by reading
// until it leaves, and ends when the launcher or the thread does. It links
// only the C runtime and the system, so that the benchmark's gap is what
// qlfvxET.exe adds to a program's start.
//
//   qlfvxETfloor.exe LAUNCHER-ID

#include <windows.h>

#include <cstdlib>

#include "elevated_tasks/pipe_protocol.h"

namespace {

DWORD WINAPI ServePipe(LPVOID /*parameter*/) {
  SECURITY_DESCRIPTOR descriptor = {};
  ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, TRUE};
  const HANDLE pipe = ::CreateNamedPipeW(
      kPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
      PIPE_UNLIMITED_INSTANCES, 0, sizeof(PipeMessage), 0, &attributes);
  if (pipe == INVALID_HANDLE_VALUE) return 1;
  if (::ConnectNamedPipe(pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
    PipeMessage received;
    DWORD count = 0;
    while (::ReadFile(pipe, &received, sizeof(received), &count, nullptr) && count != 0) {
    }
  }
  ::CloseHandle(pipe);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (::GetModuleHandleW(nullptr) == nullptr || argc != 2) return 1;
  const HANDLE launcher = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(::_wtol(argv[1])));
  if (launcher == nullptr) return 1;
  const HANDLE thread = ::CreateThread(nullptr, 0, ServePipe, nullptr, 0, nullptr);
  const HANDLE waitFor[2] = {launcher, thread};
  ::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
  return 0;
}
