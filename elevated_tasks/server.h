#pragma once
// The ElevatedTasks program itself: its entry, the pipe thread and what the
// two builds of the program differ in. Not installed: nothing here is for
// the diagnostics tool.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "elevated_tasks/elevated_tasks.h"

namespace elevated {

// What a build of the program promises beyond the shared behaviour. Each
// program's entry passes its policy by value; nothing else in the shared
// code tells the builds apart.
struct ServerPolicy {
  // One local pipe instance, open to the launcher's user, SYSTEM and
  // Administrators only, and the launching process the only client served
  // (pipe_hardening.h). Off: the open pipe, any first client.
  bool hardenedPipe = false;
  // Xperf only as a full path in a folder that only administrators can
  // write: the registered Windows Performance Toolkit, else System32
  // (TrustedXperfPath in command_text.h); neither there, a console line and
  // nothing started. Off: "Xperf.exe" by name, through the shell's search
  // of PATH and App Paths, which the user can steer.
  bool trustedXperfOnly = false;
  // The launcher named on the command line must be the process that started
  // this one, and older than it (launcher_binding.h); otherwise one line and
  // nothing is served. Off: any process that can be opened.
  bool launcherMustBeParent = false;
};

inline constexpr ServerPolicy kDefaultPolicy = {};
inline constexpr ServerPolicy kHardenedPolicy = {
    .hardenedPipe = true, .trustedXperfOnly = true, .launcherMustBeParent = true};

// Everything the pipe thread uses, owned by that thread: it borrows nothing
// that the entry may close or free.
struct PipeServerContext {
  ServerPolicy policy;
  DWORD launcherId = 0;
  // The launcher's user, read by the entry while it held the launcher open;
  // empty unless the hardened pipe needs it.
  std::vector<BYTE> launcherUserSid;
};

// The pipe thread: creates the pipe, serves one client, returns 0 after the
// quit command or a failed connection, 0xFFFFFFFF when the pipe cannot be
// created or the connection ends. The parameter is a PipeServerContext made
// with new, which the thread takes over and deletes; null serves as the
// default build with no launcher.
DWORD WINAPI PipeServerThread(LPVOID context);

// The program: the launcher's id as the one argument, the pipe thread, and
// the end when either the launcher or the thread ends. Returns the exit code.
int RunElevatedTasks(int argc, wchar_t* argv[], const ServerPolicy& policy);

// DispatchCommand as a build with this policy carries it out.
void DispatchCommand(const PipeMessage& message, const ServerPolicy& policy);

// A new process's first thread is resumed only at the end of the call that
// creates it, so a process that ends inside that call leaves its child
// suspended for ever: an Xperf that never runs, and a console host that
// never ends. Program starts and the end of the process therefore meet
// here. Constant-initialised: a global one needs no static constructor.
class ProgramStartGate {
 public:
  // Scoped around one program start. Once the end is pending it blocks
  // until the process has ended, so no start begins that the end would cut.
  class Start {
   public:
    explicit Start(ProgramStartGate& gate);
    ~Start();
    Start(const Start&) = delete;
    Start& operator=(const Start&) = delete;

   private:
    ProgramStartGate& gate_;
  };

  // Marks the end pending, then waits up to graceMs for a start in progress
  // to finish. False when the grace ran out with the start still running.
  bool HoldForEnd(DWORD graceMs);

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
  unsigned starting_ = 0;
  bool ending_ = false;
};

// The gate of the dispatcher's program starts: the entry calls this before
// it ends the process. A program already started runs on.
bool HoldProgramStarts(DWORD graceMs);

// One line on standard output, flushed at once: the console is hidden and
// may be a pipe, and the process may be ended from outside right after.
void PrintLine(const std::wstring& line);

}  // namespace elevated
