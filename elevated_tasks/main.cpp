// qlfvxET.exe: started elevated by the diagnostics tool with the tool's
// process id as its only argument; lives until that process, the client or
// the quit command ends it.

#include <cstdio>
#include <cstdlib>

#include "elevated_tasks/elevated_tasks.h"
#include "elevated_tasks/pipe_hardening.h"
#include "framework/app.h"
#include "framework/handles.h"

namespace {
// Creating a process takes milliseconds; a start that takes longer than this
// is stuck, and waiting for it would keep the program from ending.
constexpr DWORD kProgramStartGraceMs = 10000;
}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  // First of all, since this process runs elevated: no DLL from the folder it
  // was started from (tested by Etctl.*LoadsNoPlantedDll*).
  if (!fw::LoadDllsFromSystem32Only()) return 1;
  const HMODULE module = ::GetModuleHandleW(nullptr);
  if (module == nullptr) {
    ::wprintf(L"Fatal Error: GetModuleHandle failed\n");
    return 1;
  }
  if (!fw::AppInit(module, nullptr, ::GetCommandLineW(), 0)) {
    ::wprintf(L"Fatal Error: MFC initialization failed\n");
    return 1;
  }

  if (argc != 2) return 0;
  const DWORD launcherId = static_cast<DWORD>(::_wtol(argv[1]));
  if (launcherId == 0) return 0;

  fw::unique_handle launcher(::OpenProcess(elevated::kLauncherAccess, FALSE, launcherId));
  if (!launcher) return 0;

  DWORD threadId = 0;
  fw::unique_handle pipeThread(
      ::CreateThread(nullptr, 0, PipeServerThread, launcher.get(), 0, &threadId));

  // Whichever ends first ends the program; a command still running on the
  // pipe thread is cut off (a program it started runs on by itself). Without
  // a thread the wait fails at once and the program ends the same way.
  const HANDLE waitFor[2] = {launcher.get(), pipeThread.get()};
  ::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
  // Cut off, but never halfway through starting a program.
  HoldProgramStarts(kProgramStartGraceMs);
  return 0;
}
