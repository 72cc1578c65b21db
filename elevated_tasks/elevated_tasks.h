#pragma once
// ElevatedTasks: the elevated companion process of the diagnostics tool.
// It serves one client over a message-mode pipe of fixed 524-byte messages
// (pipe_protocol.h) and carries out the numbered commands with administrator
// rights. The folder routines are shared with the library (libvx_elevated_folders);
// the commands live in libvx_elevated_tasks. The pipe server itself is not
// part of the installed API.

#include <windows.h>

#include <cstdint>
#include <string>

#include "elevated_tasks/pipe_protocol.h"

// Under HKEY_LOCAL_MACHINE, in the process's native registry view.
inline constexpr wchar_t ProductSettingsKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

// ---- Commands --------------------------------------------------------------

// Carries out one message synchronously; codes above 10 and the codes 2 and 3
// do nothing. Reports nothing.
void DispatchCommand(const PipeMessage& message);

// The "TEMP" variable's value, or "c:\temp" when it is unset or does not fit
// a 260-unit buffer. No backslash is added or removed.
std::wstring GetTempFolder();

// ---- Folder routines (also used by the library) ----------------------------

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
