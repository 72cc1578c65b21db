#pragma once
// The texts the commands build, kept apart from the system calls so that
// each decision can be checked with any input.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "elevated_tasks/elevated_tasks.h"

namespace elevated::detail {

inline constexpr wchar_t kXperfProgram[] = L"Xperf.exe";
inline constexpr wchar_t kXperfVerb[] = L"runas";
inline constexpr wchar_t kXperfStartParameters[] =
    L"-on PROC_THREAD+LOADER+PROFILE -BufferSize 1024 -MinBuffers 10 -MaxBuffers 100 "
    L"-stackwalk profile -FileMode Circular -MaxFile 2000";
inline constexpr wchar_t kLauncherServiceName[] = L"CORVANTALauncher";
inline constexpr wchar_t kTempFallback[] = L"c:\\temp";
inline constexpr size_t kEnvironmentBufferUnits = MAX_PATH;
inline constexpr size_t kRegistryTextUnits = 512;

// Where the kit's installer records its root, in HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kKitsRootsKey[] = L"SOFTWARE\\Microsoft\\Windows Kits\\Installed Roots";
inline constexpr wchar_t kKitsRootValue[] = L"KitsRoot10";
inline constexpr wchar_t kNoTrustedXperfLine[] =
    L"Xperf not started: no xperf.exe in the registered Windows Performance Toolkit or in System32";

// The Xperf that a build trusting only administrators' folders runs, always
// a full path: "<kitsRoot>\Windows Performance Toolkit\xperf.exe" when
// isFile holds for it, else "<systemFolder>\xperf.exe" when isFile holds for
// that, else nothing. kitsRoot is the value's data as stored (KitsRoot10,
// nullopt when it is absent or not a REG_SZ): its text ends at the first NUL
// or, lacking one, with the data. A folder is used only when, with trailing
// backslashes dropped, it is a local absolute path: a drive letter, a colon,
// then backslash-led parts, none empty, "." or "..", none holding a control
// character or any of / : * ? " < > |. So a relative, drive-relative, UNC
// or device path, or an empty text, is not used, nor is a result of MAX_PATH
// units or more. One backslash joins folder and file, however many the
// folder ended with.
std::optional<std::wstring> TrustedXperfPath(
    const std::optional<std::wstring>& kitsRoot, const std::wstring& systemFolder,
    const std::function<bool(const std::wstring&)>& isFile);

// "-stop -d " and the trace file's path. The path is quoted when it holds a
// blank or a tab, so that a user folder such as "C:\Users\Ann Lee" reaches
// Xperf as one argument; otherwise it stands bare.
std::wstring XperfStopParameters(const std::wstring& traceFolder, const std::wstring& traceFile);

// The message's path up to its first NUL; all 260 units when it has none.
std::wstring MessagePathText(const PipeMessage& message);

// The result of reading "TEMP" into a buffer of kEnvironmentBufferUnits:
// the buffer's text when the call gave a length that fits, else "c:\temp"
// (unset, or too long to have been copied at all).
std::wstring TempFolderFromEnvironment(DWORD result, const wchar_t* buffer);

// The folder part of a log folder command: "\MySession_XML_Logs" with the
// stamp for DebugDirCreate, "\LNKAGT_Logs" for LNKAGTDebugDirCreate.
std::wstring LogFolderName(uint32_t command, const std::wstring& stamp);

// The value a command writes or deletes: "DebugDir" or "LNKAGTDebugDir".
const wchar_t* CommandValueName(uint32_t command);

// The local time as yymmdd-HHMMSS; empty when it cannot be formatted.
std::wstring CurrentTimeStamp();

}  // namespace elevated::detail
