#pragma once
// Watching processes from the outside: the Toolhelp list and a small
// debugger that follows a program and the programs it starts.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace vxtest {

struct ProcessSeen {
  DWORD pid = 0;
  DWORD parentPid = 0;
  std::wstring exeName;  // as Toolhelp lists it
};
// Every running process whose executable name equals name, ignoring case.
std::vector<ProcessSeen> FindProcesses(const std::wstring& name);

// The full image path of a running process, or empty.
std::wstring ProcessImagePath(DWORD pid);

// Waits up to timeoutMs until no process of that name runs; true if none does.
bool WaitUntilNoProcess(const std::wstring& name, DWORD timeoutMs);

struct DebuggedProcess {
  DWORD pid = 0;
  std::wstring image;             // full path, from the process-creation event
  std::optional<DWORD> exitCode;  // set when its exit was seen
};
// Runs commandLine under the debug API, following every process it starts,
// until all of them have ended or timeoutMs has passed. The first entry is
// the program started; the others follow in the order they appeared.
std::vector<DebuggedProcess> RunFollowingChildren(const std::wstring& commandLine, DWORD timeoutMs);

}  // namespace vxtest
