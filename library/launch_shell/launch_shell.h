#pragma once
// Shell, file-version and launch utilities of the diagnostics tool.

#include <windows.h>

#include <cstdint>
#include <string>

#include "elevated_tasks/elevated_tasks.h"
#include "framework/handles.h"
#include "framework/text.h"

// ---- Elevated launch of ElevatedTasks -------------------------------------

// Starts "qlfvxET.exe" from the folder of the running executable through the
// shell with the verb "runas" (Windows asks for consent unless the caller is
// elevated already), hidden, with parameters as its command line: the
// launcher's process id in decimal. Neither waits nor keeps a handle, and
// reports nothing; whether ElevatedTasks runs shows in its pipe appearing.
void LaunchElevatedTasks(const std::wstring& parameters);

// ---- File version information ---------------------------------------------

// ---- OEM branding ----------------------------------------------------------

// ---- Product user folders --------------------------------------------------

// ---- Shell operations ------------------------------------------------------

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
};

struct PipeClientResult {
  PipeClientStatus status = PipeClientStatus::Ok;
  DWORD error = ERROR_SUCCESS;  // the Windows error behind a failure, when there is one
  bool ok() const { return status == PipeClientStatus::Ok; }
};

// A short English description of a status, for messages to people.
const wchar_t* PipeClientStatusText(PipeClientStatus status);

// Fills message with the command and the path, NUL-ended and zero after it.
// False, with the message untouched, when the path needs 260 units or more
// (the last unit is the NUL's) or holds a NUL of its own.
bool BuildPipeMessage(uint32_t command, const std::wstring& path, PipeMessage& message);

// Opens "\\.\pipe\VxToElevatedExePipe", waiting up to timeoutMs for the
// server to create it (or to free its instance), and switches the handle to
// message read mode. On success pipe owns the connection; on failure it is
// empty.
PipeClientResult ConnectElevatedTasks(DWORD timeoutMs, fw::unique_hfile& pipe);

// Sends one message over a connection made by ConnectElevatedTasks and waits
// up to ackTimeoutMs (INFINITE allowed) for its acknowledgement, which comes
// only when the elevated work is done. The acknowledgement's path carries no
// information and is not looked at.
PipeClientResult SendElevatedCommand(HANDLE pipe, const PipeMessage& message, DWORD ackTimeoutMs);

// Connects, sends one message, waits for its acknowledgement and closes,
// which ends ElevatedTasks: for a single command, or the last one.
PipeClientResult SendOneElevatedCommand(const PipeMessage& message, DWORD connectTimeoutMs,
                                        DWORD ackTimeoutMs);
