#include "elevated_tasks/launcher_binding.h"

#include "framework/handles.h"

namespace elevated {

namespace {

std::optional<uint64_t> CreationTime(HANDLE process) {
  FILETIME created = {}, unused[3] = {};
  if (!::GetProcessTimes(process, &created, &unused[0], &unused[1], &unused[2])) return {};
  return (uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

std::optional<DWORD> OwnParentId() {
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  const DWORD self = ::GetCurrentProcessId();
  for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
  }
  return {};
}

}  // namespace

std::optional<std::wstring> LauncherRefusal(const LauncherFacts& facts) {
  const std::wstring launcher = L"Launcher refused: process " + std::to_wstring(facts.launcherId);
  if (!facts.parentId) return launcher + L" cannot be checked: no parent found; nothing is served";
  if (*facts.parentId != facts.launcherId) {
    return launcher + L" did not start ElevatedTasks (process " + std::to_wstring(*facts.parentId) +
           L" did); nothing is served";
  }
  if (!facts.launcherCreated || !facts.selfCreated) {
    return launcher + L" cannot be checked: no creation time; nothing is served";
  }
  if (*facts.launcherCreated > *facts.selfCreated) {
    return launcher + L" was created after ElevatedTasks; nothing is served";
  }
  return std::nullopt;
}

LauncherFacts GatherLauncherFacts(HANDLE launcher, DWORD launcherId) {
  return {launcherId, OwnParentId(), CreationTime(launcher), CreationTime(::GetCurrentProcess())};
}

}  // namespace elevated
