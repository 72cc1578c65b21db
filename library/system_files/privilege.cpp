#include "library/system_files/system_files.h"

#include <cstdio>

#include "framework/handles.h"

DWORD EnableTokenPrivilege(const wchar_t* privilegeName, BOOL enable) {
  fw::unique_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                          token.put())) {
    std::printf("Failed OpenProcessToken\n");
    std::fflush(stdout);
    return ERROR_FUNCTION_FAILED;
  }

  TOKEN_PRIVILEGES change = {};
  static_assert(sizeof(change) == 16, "one privilege: count, identifier and attributes");
  if (!::LookupPrivilegeValueW(nullptr, privilegeName, &change.Privileges[0].Luid)) {
    token.reset();
    std::printf("Failed LookupPrivilegeValue\n");
    std::fflush(stdout);
    return ERROR_FUNCTION_FAILED;
  }
  change.PrivilegeCount = 1;
  change.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;

  // Success here does not mean the privilege was assigned: a token that lacks
  // it gives ERROR_NOT_ALL_ASSIGNED as the last error, which callers that need
  // the privilege learn from the call that needs it.
  DWORD result = ERROR_SUCCESS;
  if (!::AdjustTokenPrivileges(token.get(), FALSE, &change, sizeof(change), nullptr, nullptr)) {
    std::printf("Failed AdjustTokenPrivileges\n");
    std::fflush(stdout);
    result = ERROR_FUNCTION_FAILED;
  }
  return result;
}
