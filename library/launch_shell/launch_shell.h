#pragma once
// Shell, file-version and launch utilities of the diagnostics tool.

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <string>

#include "elevated_tasks/pipe_protocol.h"
#include "framework/handles.h"
#include "framework/text.h"

// ---- Elevated launch of ElevatedTasks -------------------------------------

// Starts "qlfvxET.exe" from the folder of the running executable through the
// shell with the verb "runas" (Windows asks for consent unless the caller is
// elevated already), with SW_HIDE, with parameters as its command line: the
// launcher's process id in decimal. ElevatedTasks uses the caller's console,
// not a console of its own (SEE_MASK_NO_CONSOLE). Neither waits nor keeps a
// handle, and reports nothing; whether ElevatedTasks runs shows in its pipe
// appearing. A missing qlfvxET.exe makes the shell show its error box, and
// the call blocks the calling thread until somebody closes it.
void LaunchElevatedTasks(const std::wstring& parameters);

// Starts program (empty: DefaultElevatedTasksImage()) as LaunchElevatedTasks
// does, with parameters as its command line, and hands the started process
// to the caller in process, so that ConnectLaunchedElevatedTasks can bind to
// it. Unlike LaunchElevatedTasks it shows no error box of the shell
// (SEE_MASK_FLAG_NO_UI) and reports a failed launch: returns ERROR_SUCCESS,
// or the shell's Windows error (ERROR_CANCELLED for a refused consent
// prompt, ERROR_FILE_NOT_FOUND for a missing program, ERROR_INVALID_HANDLE
// when the shell started something but gave back no process handle) with
// process empty. The handle carries what the shell grants, on Windows at
// least SYNCHRONIZE and PROCESS_QUERY_LIMITED_INFORMATION.
DWORD LaunchElevatedTasksProcess(const std::wstring& parameters, fw::unique_handle& process,
                                 const std::wstring& program = L"");

// ---- File version information ---------------------------------------------

// The "FileVersion" text of a file's version resource, else its
// "ProductVersion", exactly as stored (not trimmed or reformatted). The string
// table read is the one named by the first entry of the translation table, or
// language 0x0009 with code page 1252 when there is none. The empty text when
// the path is null, the file is missing, or it carries no such resource or
// string: the caller cannot tell these apart.
std::wstring GetFileVersionString(const wchar_t* path);

// ---- OEM branding ----------------------------------------------------------

// The release of the diagnostics tool, as it appears in folder names.
inline constexpr wchar_t kVxReleaseText[] = L"2026";

// True when <common program files>\Quillforge Shared\2026\qlfvx\reg.ini
// exists and its [OEMNAME] OEMREGISTRYNAME entry is not empty (read up to
// 259 characters). The name itself is not returned.
bool HasOemRegistryName();

// ---- Product user folders --------------------------------------------------
// Each writes the folder's full path to folder (untouched when the special
// folder is unknown), creates the last folder of that path only, and returns
// true when it was made or when anything of that name exists already (a
// file of that name gives true as well). Call them after
// GetRoamingProductFolder, the release folder before the Sceneloom settings
// folder.

// <local application data>\Quillforge
bool GetLocalProductFolder(std::wstring& folder);
// <roaming application data>\Quillforge\QUILLFORGE Vx 2026
bool GetVxReleaseFolder(std::wstring& folder);
// <roaming application data>\Quillforge\QUILLFORGE Vx 2026\Sceneloom Settings
bool GetSceneloomSettingsFolder(std::wstring& folder);

// ---- Shell operations ------------------------------------------------------

// Deletes a file, or a folder with everything in it, permanently and
// without any dialog. The path ends at its first NUL unit, so one call
// never deletes more than one item. False when nothing exists at the path
// (wildcards match nothing here) or the shell reports a failure.
bool DeleteWithShell(std::wstring path);

// Shows the folder picker, opening at initialFolder, and writes the chosen
// folder's full path to output. reserved and unusedText are not read. The
// caller initialises COM on this thread.
// Returns E_ABORT when the dialog cannot be made, fails or is cancelled
// (output then empty, or untouched when the dialog could not be made);
// otherwise 0 when initialFolder was a usable folder, else the failure of
// using it (the chosen path is still written): an initialFolder that the
// shell cannot make into an item is not set at all (SetFolder is skipped;
// the dialog opens where it likes), and the failure of making the item, or
// E_FAIL when it gave no item and no failure, comes back.
HRESULT PickFolder(INT_PTR reserved, const std::wstring& unusedText,
                   const std::wstring& initialFolder, std::wstring& output);

// Writes a shortcut file at shortcutPath pointing at target, with the
// working folder (none when null), the description and, when iconIndex is 0
// or more, the icon at that index of target. The caller initialises COM on
// this thread. Returns 0, the first failing result of the shell link, or
// E_POINTER when target, shortcutPath or description is null.
HRESULT CreateShortcut(const wchar_t* target, const wchar_t* shortcutPath,
                       const wchar_t* workingFolder, const wchar_t* description, int iconIndex);

// Opens a document, program or web address with its associated program.
// What the shell makes of it is not reported: always true (also for null,
// which is not handed to the shell).
bool OpenWithShell(const wchar_t* item);

// The shell's item list for path, relative to the desktop, stored in
// *itemList (the caller frees it with CoTaskMemFree). Returns the parse
// result; S_FALSE when the desktop folder is unavailable; E_POINTER when
// itemList is null; HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE) when
// path up to its first NUL unit is 260 units or more, which is never cut
// short. Only that text up to the first NUL is parsed. *itemList is written
// only by the parse itself.
HRESULT ParseShellPath(HWND owner, const std::wstring& path, PIDLIST_RELATIVE* itemList);

// ---- ElevatedTasks pipe client ---------------------------------------------

// The unelevated side of the command pipe. ElevatedTasks serves one
// connection in its life and ends when the client closes it, so a client
// that sends several commands connects once, sends them one by one, each
// waiting for its acknowledgement, and closes at the end.

enum class PipeClientStatus {
  Ok,
  ServerNotFound,            // no pipe appeared within the time-out
  PipeBusy,                  // the pipe exists but its one instance stayed taken by another client
  ConnectFailed,             // the pipe could not be opened for another reason (see error)
  ReadModeFailed,            // the handle could not be switched to message read mode
  SendFailed,                // the message could not be written whole within the time-out
  AcknowledgementMissing,    // the server closed, a read failed, or nothing came in time
  AcknowledgementMalformed,  // the reply was not one 524-byte message with the code Done
  UnexpectedServer,          // served by another program, or not by the process launched
  UnelevatedServer,          // served by the expected image, not elevated (or unreadable)
  ServerEnded,               // the process that was to serve the pipe has ended
};

struct PipeClientResult {
  PipeClientStatus status = PipeClientStatus::Ok;
  DWORD error = ERROR_SUCCESS;  // the Windows error behind a failure, when there is one
  // With UnexpectedServer, UnelevatedServer and ServerEnded: the process
  // found serving the pipe, or launched to (0 when even that could not be
  // asked), and its full image path (empty when unreadable or not read;
  // with UnexpectedServer, error then says why).
  DWORD serverProcessId = 0;
  std::wstring serverImage;
  bool ok() const { return status == PipeClientStatus::Ok; }
};

// A short English description of a status, for messages to people.
const wchar_t* PipeClientStatusText(PipeClientStatus status);

// Fills message with the command and the path, NUL-ended and zero after it.
// False, with the message untouched, when the path needs 260 units or more
// (the last unit is the NUL's) or holds a NUL of its own.
bool BuildPipeMessage(uint32_t command, const std::wstring& path, PipeMessage& message);

// The program a client expects behind the pipe unless told otherwise:
// qlfvxET.exe beside the calling program, where LaunchElevatedTasks starts it.
std::wstring DefaultElevatedTasksImage();

// Both connect routines open "\\.\pipe\VxToElevatedExePipe" with exactly
// kPipeClientAccess, overlapped, allowing the server to identify this process
// but never to act as it; wait up to timeoutMs for the server to create the
// pipe (or to free its instance); check who serves it; and only then switch
// the handle to message read mode. A server that fails the check gets not
// one byte, not even that switch. On success pipe owns the connection; on
// failure it is empty.

// Binds to the ElevatedTasks this process launched (process: a handle from
// LaunchElevatedTasksProcess, or any with SYNCHRONIZE and
// PROCESS_QUERY_LIMITED_INFORMATION). The pipe is accepted only when its
// server process id (the process that created the instance) is the id of
// process, read while process is held, so that the id cannot have passed to
// another process, and process still runs after that; the image is not
// looked at, so any program launched this way is served. Another server
// gives UnexpectedServer, naming it. Gives up with ServerEnded as soon as
// process ends, instead of waiting out timeoutMs. Left open: an instance
// made by a process that ended before process was started could carry the
// same id (ids are reused; under Wine at once).
PipeClientResult ConnectLaunchedElevatedTasks(HANDLE process, DWORD timeoutMs,
                                              fw::unique_hfile& pipe);

// Attaches to an ElevatedTasks that is already running. The server process is
// opened once (PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE) and held
// across every check: it must run serverImage (empty:
// DefaultElevatedTasksImage()), compared as full paths without regard to
// case after "..", "/" and short names are resolved (else UnexpectedServer,
// also when the image or the process cannot be read); its token must report
// TokenElevation true (else UnelevatedServer, also when the token cannot be
// read: error then says why); and it must still run after these checks (else
// ServerEnded). On Windows only an administrator can have started an
// elevated process, so a genuine qlfvxET.exe started unelevated (for example
// with __COMPAT_LAYER=RunAsInvoker) is refused. Under Wine every process
// reports an elevated token, so there this check passes for any process
// running the expected image, including one whose pipe end another process
// has taken over; only the launched binding above tells those apart.
PipeClientResult ConnectElevatedTasks(DWORD timeoutMs, fw::unique_hfile& pipe,
                                      const std::wstring& serverImage = L"");

// Sends one message over a connection made by either connect routine and waits
// up to ackTimeoutMs (INFINITE allowed) for its acknowledgement, which comes
// only when the elevated work is done. The acknowledgement's path carries no
// information and is not looked at.
PipeClientResult SendElevatedCommand(HANDLE pipe, const PipeMessage& message, DWORD ackTimeoutMs);

// Connects, sends one message, waits for its acknowledgement and closes,
// which ends ElevatedTasks: for a single command, or the last one.
PipeClientResult SendOneElevatedCommand(const PipeMessage& message, DWORD connectTimeoutMs,
                                        DWORD ackTimeoutMs, const std::wstring& serverImage = L"");
