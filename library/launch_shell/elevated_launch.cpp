#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "framework/handles.h"
#include "library/launch_shell/elevated_launch_info.h"
#include "library/launch_shell/launch_shell.h"
#include "library/system_files/system_files.h"

namespace launch_shell::detail {

std::wstring ElevatedTasksPathIn(const std::wstring& ownFolder) {
  return ownFolder + L"\\" + kElevatedTasksFileName;
}

SHELLEXECUTEINFOW ElevatedLaunchInfo(const std::wstring& program, const std::wstring& parameters) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NO_CONSOLE;
  info.hwnd = nullptr;
  info.lpVerb = L"runas";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = nullptr;
  info.nShow = SW_HIDE;
  info.hInstApp = nullptr;
  return info;
}

}  // namespace launch_shell::detail

void LaunchElevatedTasks(const std::wstring& parameters) {
  std::wstring ownFolder;
  GetOwnFolder(ownFolder);
  const std::wstring program = launch_shell::detail::ElevatedTasksPathIn(ownFolder);

  // No mutex is made here. An unnamed mutex cannot be found by any other
  // process, and its duplicate is neither inheritable nor named in the
  // parameters, so ElevatedTasks could never see either handle; keeping them
  // would only leak two handles per launch into a long-running tool, and
  // closing them at once would do nothing at all. A launch therefore leaves
  // the handle count of the calling process as it found it.
  SHELLEXECUTEINFOW info = launch_shell::detail::ElevatedLaunchInfo(program, parameters);

  // The result is not looked at: a refused consent prompt or a missing
  // program leaves no ElevatedTasks, and the caller learns of it when the
  // pipe does not appear.
  ::ShellExecuteExW(&info);

  // Neither waits for ElevatedTasks nor keeps a handle to it.
  fw::unique_handle process(info.hProcess);
}

DWORD LaunchElevatedTasksProcess(const std::wstring& parameters, fw::unique_handle& process,
                                 const std::wstring& program) {
  process.reset();
  const std::wstring file = program.empty() ? DefaultElevatedTasksImage() : program;
  SHELLEXECUTEINFOW info = launch_shell::detail::ElevatedLaunchInfo(file, parameters);
  // The caller hears of a failure from the result, not from a box that
  // blocks it until somebody closes it.
  info.fMask |= SEE_MASK_FLAG_NO_UI;
  const BOOL launched = ::ShellExecuteExW(&info);
  const DWORD error = launched ? ERROR_SUCCESS : ::GetLastError();
  fw::unique_handle started(info.hProcess);
  if (!launched) return error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error;
  if (!started) return ERROR_INVALID_HANDLE;
  process = std::move(started);
  return ERROR_SUCCESS;
}
