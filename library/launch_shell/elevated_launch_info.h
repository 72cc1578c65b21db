#pragma once
// How the elevated launch asks the shell, apart from the call itself.

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace launch_shell::detail {

inline constexpr wchar_t kElevatedTasksFileName[] = L"qlfvxET.exe";

// ElevatedTasks lies beside the executable that launches it.
std::wstring ElevatedTasksPathIn(const std::wstring& ownFolder);

// The shell request: verb "runas", the given program and parameters, no
// owner window, SW_HIDE, and the process handle handed back so that the
// caller can close it. SEE_MASK_NO_CONSOLE makes the new process use the
// caller's console, not a console of its own. Without SEE_MASK_FLAG_NO_UI a
// missing program makes the shell show its error box, and the call blocks
// the calling thread until somebody closes it. The record points into
// program and parameters, which must outlive it.
SHELLEXECUTEINFOW ElevatedLaunchInfo(const std::wstring& program, const std::wstring& parameters);

}  // namespace launch_shell::detail
