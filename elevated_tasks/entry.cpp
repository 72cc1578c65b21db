#include <cstdio>
#include <cstdlib>
#include <memory>

#include "elevated_tasks/launcher_binding.h"
#include "elevated_tasks/pipe_hardening.h"
#include "elevated_tasks/server.h"
#include "framework/app.h"
#include "framework/handles.h"

namespace elevated {

namespace {
// Creating a process takes milliseconds; a start that takes longer than this
// is stuck, and waiting for it would keep the program from ending.
constexpr DWORD kProgramStartGraceMs = 10000;
}  // namespace

int RunElevatedTasks(int argc, wchar_t* argv[], const ServerPolicy& policy) {
  // First of all, since this process runs elevated: no DLL from the folder it
  // was started from (Etctl.EveryCommandShowsItsChangeAndLoadsNoPlantedDll,
  // Etctl.TheHardenedBuildLoadsNoPlantedDllEither).
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

  // The hardened checks also read the launcher's token and creation time.
  const bool queries = policy.hardenedPipe || policy.launcherMustBeParent;
  const DWORD access = queries ? SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION : SYNCHRONIZE;
  fw::unique_handle launcher(::OpenProcess(access, FALSE, launcherId));
  if (!launcher) return 0;
  // Judged while the handle is held: the id cannot pass to another process.
  if (policy.launcherMustBeParent) {
    if (const auto refusal = LauncherRefusal(GatherLauncherFacts(launcher.get(), launcherId))) {
      PrintLine(*refusal);
      return 0;
    }
  }

  auto context = std::make_unique<PipeServerContext>();
  context->policy = policy;
  context->launcherId = launcherId;
  if (policy.hardenedPipe) context->launcherUserSid = ProcessUserSid(launcher.get());

  DWORD threadId = 0;
  fw::unique_handle pipeThread(
      ::CreateThread(nullptr, 0, PipeServerThread, context.get(), 0, &threadId));
  if (pipeThread) context.release();  // the thread's now

  // Whichever ends first ends the program; a command still running on the
  // pipe thread is cut off (a program it started runs on by itself). Without
  // a thread the wait fails at once and the program ends the same way.
  const HANDLE waitFor[2] = {launcher.get(), pipeThread.get()};
  ::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
  // Cut off, but never halfway through starting a program.
  if (!HoldProgramStarts(kProgramStartGraceMs)) {
    PrintLine(L"A program start did not finish within " + std::to_wstring(kProgramStartGraceMs) +
              L" ms; ending without it");
  }
  // Ended here, not by returning: a return runs the runtime's exit handlers
  // and static destructors, and ExitProcess the DLLs' detach code, after the
  // pipe thread has been stopped wherever it stood, possibly holding the
  // loader lock (a delay-load for the message box or the shell), the heap
  // lock, the registry or the framework's state half-changed. Terminating
  // runs no code of ours or of any DLL; the kernel closes every handle, and
  // what was printed has just been flushed.
  ::fflush(stdout);
  ::TerminateProcess(::GetCurrentProcess(), 0);
  return 0;  // not reached
}

}  // namespace elevated
