#include "tests/support/identity_support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include "framework/handles.h"
#include "framework/text.h"

namespace vxtest {

std::vector<ProcessSeen> FindProcesses(const std::wstring& name) {
  std::vector<ProcessSeen> found;
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return found;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (fw::CompareNoCase(entry.szExeFile, name) == 0) {
      found.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    }
  }
  return found;
}

std::wstring ProcessImagePath(DWORD pid) {
  fw::unique_handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return L"";
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!::QueryFullProcessImageNameW(process.get(), 0, path, &size)) return L"";
  return std::wstring(path, size);
}

bool WaitUntilNoProcess(const std::wstring& name, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (!FindProcesses(name).empty()) {
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(50);
  }
  return true;
}

std::vector<DebuggedProcess> RunFollowingChildren(const std::wstring& commandLine,
                                                  DWORD timeoutMs) {
  std::vector<DebuggedProcess> seen;
  std::wstring mutableLine = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE,
                        DEBUG_PROCESS | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcessW under the debugger failed " << ::GetLastError();
    return seen;
  }
  fw::unique_handle rootProcess(info.hProcess);
  fw::unique_handle rootThread(info.hThread);

  size_t running = 0;
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) {
      ADD_FAILURE() << "debugged processes did not end in time";
      ::DebugActiveProcessStop(info.dwProcessId);
      ::TerminateProcess(rootProcess.get(), 99);
      break;
    }
    DEBUG_EVENT event = {};
    if (!::WaitForDebugEvent(&event, static_cast<DWORD>(deadline - now))) continue;
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT: {
        fw::unique_hfile image(event.u.CreateProcessInfo.hFile);
        DebuggedProcess process;
        process.pid = event.dwProcessId;
        wchar_t path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (::QueryFullProcessImageNameW(event.u.CreateProcessInfo.hProcess, 0, path, &size)) {
          process.image.assign(path, size);
        }
        seen.push_back(process);
        ++running;
        break;
      }
      case LOAD_DLL_DEBUG_EVENT:
        fw::unique_hfile(event.u.LoadDll.hFile).reset();
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        for (DebuggedProcess& process : seen) {
          if (process.pid == event.dwProcessId) process.exitCode = event.u.ExitProcess.dwExitCode;
        }
        --running;
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's breakpoint is ours to swallow; anything else goes back.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT && running == 0) break;
  }
  return seen;
}

}  // namespace vxtest
