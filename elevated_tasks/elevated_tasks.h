#pragma once
// ElevatedTasks: the elevated companion process of the diagnostics tool.
// It serves one client over a message-mode pipe of fixed 524-byte messages
// and carries out the numbered commands below with administrator rights.

#include <windows.h>

#include <cstdint>
#include <string>

// ---- The message on the pipe ---------------------------------------------

inline constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\VxToElevatedExePipe";
inline constexpr size_t kPipePathUnits = 260;

// The one message layout, in both directions: no header, no length prefix,
// little-endian. The acknowledgement carries the code Done and a path of
// zero bytes.
#pragma pack(push, 1)
struct PipeMessage {
  uint32_t command;
  wchar_t path[kPipePathUnits];  // ended by a NUL unit; read by the two Set commands only
};
#pragma pack(pop)
static_assert(sizeof(PipeMessage) == 524, "the pipe's messages are exactly 524 bytes");
static_assert(sizeof(wchar_t) == 2, "path units are UTF-16");

enum ElevatedCommand : uint32_t {
  XperfStart = 0,
  XperfStop = 1,
  Done = 2,
  Quit = 3,
  DebugDirCreate = 4,
  DebugDirDelete = 5,
  DebugDirSet = 6,
  LNKAGTDebugDirCreate = 7,
  LNKAGTDebugDirDelete = 8,
  LNKAGTDebugDirSet = 9,
  LauncherServiceRestart = 10,
};
inline constexpr uint32_t kLastElevatedCommand = LauncherServiceRestart;

// Under HKEY_LOCAL_MACHINE, in the process's native registry view.
inline constexpr wchar_t ProductSettingsKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

// ---- Pipe service ----------------------------------------------------------

// The pipe thread: creates the pipe, serves one client, returns 0 after the
// quit command or a failed connection, 0xFFFFFFFF when the pipe cannot be
// created or the connection ends. The parameter is the launching process's
// handle; only the hardened build (pipe_hardening.h) looks at it.
DWORD WINAPI PipeServerThread(LPVOID parameter);

// ---- Ending while a command runs -------------------------------------------

// A new process's first thread is resumed only at the end of the call that
// creates it, so a process that ends inside that call leaves its child
// suspended for ever: an Xperf that never runs, and a console host that
// never ends. The dispatcher starts programs only while no end is pending.
// The entry calls this before it ends the process: it waits at most
// timeoutMs for a start in progress to finish, and every later start then
// blocks until the process has ended. A program already started runs on.
void HoldProgramStarts(DWORD timeoutMs);

// ---- Commands --------------------------------------------------------------

// Carries out one message synchronously; codes above 10 and the codes 2 and 3
// do nothing. Reports nothing.
void DispatchCommand(const PipeMessage& message);

// ---- Folder routines (also used by the library) ----------------------------

// The "TEMP" variable's value, or "c:\temp" when it is unset or does not fit
// a 260-unit buffer. No backslash is added or removed.
std::wstring GetTempFolder();

// The file-system path of a shell special folder (CSIDL). False when the shell
// cannot locate the folder; the output is then left unchanged. A folder
// without a file-system path gives true and the empty text.
bool GetShellFolderPath(int csidl, std::wstring& path);

// The roaming application-data folder followed by "\Quillforge", created if
// missing. True when that folder exists afterwards; false with the output
// untouched when the roaming folder cannot be located.
bool GetRoamingProductFolder(std::wstring& folder);

// The given folder, or GetRoamingProductFolder when it is empty. Always true.
bool GetTraceFolder(std::wstring& output, std::wstring folder);

// "qlfvxPerfData.etl". Always true.
bool GetTraceFileName(std::wstring& name);

// ---- Registry and service routines ----------------------------------------

// Creates or opens keyPath under HKEY_LOCAL_MACHINE and writes the text with
// its NUL counted, retrying a failed write once. A key that cannot be made or
// a write that fails twice shows the modal box "Registry key failed" and
// returns after it is closed. A text of 512 units or more is refused with
// ERROR_INVALID_PARAMETER before anything is opened. Returns a registry status.
LONG WriteMachineString(const std::wstring& keyPath, std::wstring text,
                        const std::wstring& valueName, DWORD keyOptions, DWORD valueType);

// Deletes one value. Returns the status of opening the key when that fails
// (nothing is created), otherwise the status of closing it.
LONG DeleteRegistryValue(HKEY hive, const std::wstring& keyPath, const std::wstring& valueName);

enum ServiceControl : int { ServiceStart = 1, ServiceStop = 2 };

// One start or stop request to the service control manager, no waiting.
// True when the request was accepted. Prints "QueryServiceStatusEx failed (%d)"
// or "ControlService failed (%d)" on standard output when those calls fail.
bool StartOrStopService(const std::wstring& serviceName, int control);
