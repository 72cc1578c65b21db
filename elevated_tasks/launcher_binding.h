#pragma once
// The hardened build's launcher (ServerPolicy::launcherMustBeParent): the
// process named on the command line is trusted only if it is the one that
// started ElevatedTasks. An id alone proves nothing: the diagnostics tool may
// end during the consent prompt and another process take its id.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace elevated {

// What is known when the launcher is judged, all read while its handle is
// held, so that its id cannot pass to another process meanwhile. Times are
// creation times in 100 ns units; nullopt: could not be read.
struct LauncherFacts {
  DWORD launcherId = 0;
  std::optional<DWORD> parentId;  // own Toolhelp entry's th32ParentProcessID
  std::optional<uint64_t> launcherCreated;
  std::optional<uint64_t> selfCreated;
};

// Nullopt when the launcher is this process's parent and was not created
// after it. A parent id names whoever had that id when this process was
// created; if that process has ended, a holder of the id now was created
// later. An equal time is accepted: Windows stamps a process's creation with
// the system time of the last clock tick (up to 15.6 ms coarse), and a tool
// that launches at once (qlfvxETctl from an elevated prompt) can share its
// tick with ElevatedTasks, while a process taking over a dead parent's id
// within that tick, before this check, is not a race anyone can aim for.
// Otherwise the one line to print; an unreadable fact is a refusal.
std::optional<std::wstring> LauncherRefusal(const LauncherFacts& facts);

// The facts about the launcher whose handle (PROCESS_QUERY_LIMITED_INFORMATION)
// is given, gathered from Toolhelp and GetProcessTimes.
LauncherFacts GatherLauncherFacts(HANDLE launcher, DWORD launcherId);

}  // namespace elevated
