#pragma once
// Watching processes from the outside, through the Toolhelp list.

#include <windows.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/text.h"

namespace vxtest {

struct ProcessSeen {
  DWORD pid = 0, parentPid = 0;
};

// Every running process whose executable name equals name, ignoring case.
inline std::vector<ProcessSeen> FindProcesses(const std::wstring& name) {
  std::vector<ProcessSeen> found;
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (fw::CompareNoCase(entry.szExeFile, name) == 0) {
      found.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    }
  }
  return found;
}

inline bool WaitUntilNoProcess(const std::wstring& name, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (!FindProcesses(name).empty() && ::GetTickCount64() < deadline) ::Sleep(50);
  return FindProcesses(name).empty();
}

}  // namespace vxtest
