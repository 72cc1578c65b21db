#pragma once
// Watching processes from the outside, through the Toolhelp list.

#include <windows.h>

#include <string>
#include <vector>

namespace vxtest {

struct ProcessSeen {
  DWORD pid = 0;
  DWORD parentPid = 0;
};
// Every running process whose executable name equals name, ignoring case.
std::vector<ProcessSeen> FindProcesses(const std::wstring& name);

// Waits up to timeoutMs until no process of that name runs; true if none does.
bool WaitUntilNoProcess(const std::wstring& name, DWORD timeoutMs);

}  // namespace vxtest
