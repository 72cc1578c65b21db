#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "elevated_tasks/command_text.h"
#include "elevated_tasks/server.h"
#include "framework/handles.h"

using namespace elevated::detail;

namespace {

constinit elevated::ProgramStartGate programStarts;

// KitsRoot10's data as stored, from the first registry view that holds it,
// whatever it holds there: the 64-bit view, then the 32-bit one, where the
// kit's 32-bit installer may have recorded it alone. Both lie under
// HKLM\SOFTWARE, which only administrators can write, so neither is trusted
// less. Only a REG_SZ of at most MAX_PATH units counts: a REG_EXPAND_SZ would
// be expanded with this process's environment, which the user's own
// HKCU\Environment feeds.
std::optional<std::wstring> ReadKitsRoot() {
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    fw::unique_hkey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKitsRootsKey, 0, KEY_QUERY_VALUE | view, key.put()) !=
        ERROR_SUCCESS)
      continue;
    wchar_t data[MAX_PATH] = {};
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(data);
    const LSTATUS status = ::RegQueryValueExW(key.get(), kKitsRootValue, nullptr, &type,
                                              reinterpret_cast<BYTE*>(data), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) continue;
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::wstring(data, bytes / sizeof(wchar_t));
  }
  return std::nullopt;
}

std::optional<std::wstring> FindTrustedXperf() {
  wchar_t system[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(system, MAX_PATH);
  return TrustedXperfPath(ReadKitsRoot(), length < MAX_PATH ? std::wstring(system, length) : L"",
                          [](const std::wstring& path) {
                            const DWORD attributes = ::GetFileAttributesW(path.c_str());
                            return attributes != INVALID_FILE_ATTRIBUTES &&
                                   !(attributes & FILE_ATTRIBUTE_DIRECTORY);
                          });
}

// Runs Xperf elevated and hidden and waits for it to end, however long.
void RunXperf(const std::wstring& parameters, const elevated::ServerPolicy& policy) {
  std::wstring program = kXperfProgram;
  if (policy.trustedXperfOnly) {
    const std::optional<std::wstring> trusted = FindTrustedXperf();
    if (!trusted) {
      elevated::PrintLine(kNoTrustedXperfLine);
      return;
    }
    program = *trusted;
  }
  // The shell may hand the request to extensions that need COM.
  fw::com_init com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  // Without SEE_MASK_FLAG_NO_UI a missing Xperf makes the shell show its
  // own error box on the elevated desktop, and the acknowledgement would
  // wait for somebody to close it; the command is meant to end quietly.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NO_CONSOLE | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = kXperfVerb;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_HIDE;
  BOOL started = FALSE;
  {
    const elevated::ProgramStartGate::Start start(programStarts);
    started = ::ShellExecuteExW(&info);
  }
  if (!started) return;
  fw::unique_handle process(info.hProcess);
  if (process) ::WaitForSingleObject(process.get(), INFINITE);
}

void CreateLogFolder(uint32_t command) {
  const std::wstring stamp = command == DebugDirCreate ? CurrentTimeStamp() : L"";
  const std::wstring path = GetTempFolder() + LogFolderName(command, stamp);
  ::CreateDirectoryW(path.c_str(), nullptr);
  WriteMachineString(ProductSettingsKey, path, CommandValueName(command), REG_OPTION_NON_VOLATILE,
                     REG_SZ);
}

}  // namespace

std::wstring GetTempFolder() {
  wchar_t buffer[kEnvironmentBufferUnits] = {};
  const DWORD result =
      ::GetEnvironmentVariableW(L"TEMP", buffer, static_cast<DWORD>(kEnvironmentBufferUnits));
  return TempFolderFromEnvironment(result, buffer);
}

namespace elevated {

void PrintLine(const std::wstring& line) {
  ::wprintf(L"%ls\n", line.c_str());
  ::fflush(stdout);
}

ProgramStartGate::Start::Start(ProgramStartGate& gate) : gate_(gate) {
  ::AcquireSRWLockExclusive(&gate_.lock_);
  while (gate_.ending_) ::SleepConditionVariableSRW(&gate_.changed_, &gate_.lock_, INFINITE, 0);
  ++gate_.starting_;
  ::ReleaseSRWLockExclusive(&gate_.lock_);
}

ProgramStartGate::Start::~Start() {
  ::AcquireSRWLockExclusive(&gate_.lock_);
  --gate_.starting_;
  ::ReleaseSRWLockExclusive(&gate_.lock_);
  ::WakeAllConditionVariable(&gate_.changed_);
}

bool ProgramStartGate::HoldForEnd(DWORD graceMs) {
  ::AcquireSRWLockExclusive(&lock_);
  ending_ = true;
  for (const ULONGLONG deadline = ::GetTickCount64() + graceMs; starting_ != 0;) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) break;
    ::SleepConditionVariableSRW(&changed_, &lock_, static_cast<DWORD>(deadline - now), 0);
  }
  const bool finished = starting_ == 0;
  ::ReleaseSRWLockExclusive(&lock_);
  return finished;
}

bool HoldProgramStarts(DWORD graceMs) { return programStarts.HoldForEnd(graceMs); }

#ifdef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOW) == 112, "the shell request record of 64-bit Windows");
#endif

void DispatchCommand(const PipeMessage& message, const ServerPolicy& policy) {
  switch (message.command) {
    case XperfStart:
      RunXperf(kXperfStartParameters, policy);
      break;
    case XperfStop: {
      std::wstring folder;
      std::wstring file;
      GetTraceFolder(folder, L"");
      GetTraceFileName(file);
      RunXperf(XperfStopParameters(folder, file), policy);
      break;
    }
    case DebugDirCreate:
    case LNKAGTDebugDirCreate:
      CreateLogFolder(message.command);
      break;
    case DebugDirDelete:
    case LNKAGTDebugDirDelete:
      DeleteRegistryValue(HKEY_LOCAL_MACHINE, ProductSettingsKey,
                          CommandValueName(message.command));
      break;
    case DebugDirSet:
    case LNKAGTDebugDirSet:
      WriteMachineString(ProductSettingsKey, MessagePathText(message),
                         CommandValueName(message.command), REG_OPTION_NON_VOLATILE, REG_SZ);
      break;
    case LauncherServiceRestart:
      StartOrStopService(kLauncherServiceName, ServiceStop);
      StartOrStopService(kLauncherServiceName, ServiceStart);
      break;
    default:  // Done, Quit and every code above 10
      break;
  }
}

}  // namespace elevated

void DispatchCommand(const PipeMessage& message) {
  elevated::DispatchCommand(message, elevated::kDefaultPolicy);
}
