#include "tests/support/identity_support.h"

#include <tlhelp32.h>

#include "framework/handles.h"
#include "framework/text.h"

namespace vxtest {

std::vector<ProcessSeen> FindProcesses(const std::wstring& name) {
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

bool WaitUntilNoProcess(const std::wstring& name, DWORD timeoutMs) {
  for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs; !FindProcesses(name).empty();
       ::Sleep(50)) {
    if (::GetTickCount64() >= deadline) return false;
  }
  return true;
}

}  // namespace vxtest
