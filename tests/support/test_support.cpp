#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstring>

#include "library/launch_shell/elevated_tasks_client_check.h"
#include "library/launch_shell/launch_shell.h"

namespace vxtest {

using launch_shell::detail::Transfer;
using launch_shell::detail::TransferBounded;

// ---- Locations ------------------------------------------------------------------

std::wstring BinFolder() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring BinPath(const std::wstring& name) { return BinFolder() + L"\\" + name; }

std::wstring FakeXperfFolder() { return BinFolder() + L"\\doubles\\xperf"; }

std::wstring Utf8ToWide(const std::string& text) {
  if (text.empty()) return L"";
  const int units =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  return wide;
}

std::string WideToUtf8(const std::wstring& text) {
  if (text.empty()) return "";
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                        bytes, nullptr, nullptr);
  return narrow;
}

// ---- Processes ------------------------------------------------------------------------

Child StartChild(const std::wstring& commandLine, bool captureOutput, DWORD creationFlags) {
  Child child;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  fw::unique_hfile outputWrite;
  if (captureOutput) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
      ADD_FAILURE() << "CreatePipe failed " << ::GetLastError();
      return child;
    }
    child.outputRead.reset(readEnd);
    outputWrite.reset(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  }
  std::wstring mutableLine = commandLine;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, captureOutput, creationFlags,
                        nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcessW failed " << ::GetLastError() << " for "
                  << WideToUtf8(commandLine);
    child.outputRead.reset();
    return child;
  }
  ::CloseHandle(info.hThread);
  child.process.reset(info.hProcess);
  child.pid = info.dwProcessId;
  return child;
}

std::optional<DWORD> WaitExit(const Child& child, DWORD timeoutMs) {
  if (!child.process) return std::nullopt;
  if (::WaitForSingleObject(child.process.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(child.process.get(), &code);
  return code;
}

std::string ReadAllOutput(Child& child) {
  std::string output;
  if (!child.outputRead) return output;
  char buffer[4096];
  DWORD count = 0;
  while (::ReadFile(child.outputRead.get(), buffer, sizeof(buffer), &count, nullptr) && count > 0) {
    output.append(buffer, count);
  }
  child.outputRead.reset();
  return output;
}

Child StartElevatedTasks(const std::wstring& arguments, bool captureOutput) {
  std::wstring line = L"\"" + BinPath(L"qlfvxET.exe") + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  return StartChild(line, captureOutput);
}

Child StartElevatedTasksForThisProcess(bool captureOutput) {
  Child child = StartElevatedTasks(std::to_wstring(::GetCurrentProcessId()), captureOutput);
  EXPECT_TRUE(WaitForPipe(10000)) << "ElevatedTasks did not create its pipe";
  return child;
}

void KillChild(Child& child) {
  if (!child.process) return;
  if (::WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(child.process.get(), 99);
    ::WaitForSingleObject(child.process.get(), 10000);
  }
}

// ---- Environment ------------------------------------------------------------------------

namespace {

std::optional<std::wstring> GetEnv(const std::wstring& name) {
  const DWORD needed = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring value(needed, L'\0');
  const DWORD length = ::GetEnvironmentVariableW(name.c_str(), value.data(), needed);
  value.resize(length);
  return value;
}

void SetEnv(const std::wstring& name, const std::optional<std::wstring>& value) {
  ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

}  // namespace

ScopedEnv::ScopedEnv(const std::wstring& name, const std::optional<std::wstring>& value)
    : name_(name), old_(GetEnv(name)) {
  SetEnv(name_, value);
}

ScopedEnv::~ScopedEnv() { SetEnv(name_, old_); }

// ---- Registry ---------------------------------------------------------------------------------

std::optional<RawValue> ReadRawValue(HKEY root, const std::wstring& keyPath,
                                     const std::wstring& valueName) {
  fw::unique_hkey key;
  if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RawValue value;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type,
                         size ? value.data.data() : nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

std::vector<BYTE> SzBytes(const std::wstring& text) {
  const auto* first = reinterpret_cast<const BYTE*>(text.c_str());
  return std::vector<BYTE>(first, first + (text.size() + 1) * sizeof(wchar_t));
}

bool KeyExists(HKEY root, const std::wstring& keyPath) {
  fw::unique_hkey key;
  return ::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

void DeleteTree(HKEY root, const std::wstring& keyPath) {
  ::RegDeleteTreeW(root, keyPath.c_str());
  ::RegDeleteKeyW(root, keyPath.c_str());
}

ScratchKey::ScratchKey(HKEY root, std::wstring path) : root_(root), path_(std::move(path)) {
  DeleteTree(root_, path_);
}

ScratchKey::~ScratchKey() { DeleteTree(root_, path_); }

// ---- Folders and files --------------------------------------------------------------------------

TempFolder::TempFolder(const std::wstring& hint) {
  wchar_t base[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, base);
  static unsigned counter = 0;
  for (;;) {
    path_ = std::wstring(base) + hint + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
    if (::CreateDirectoryW(path_.c_str(), nullptr)) break;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot create " << WideToUtf8(path_);
      break;
    }
  }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool PathIsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
  if (path.empty()) return;
  WIN32_FIND_DATAW found = {};
  fw::unique_findhandle find(::FindFirstFileW((path + L"\\*").c_str(), &found));
  if (find) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(find.get(), &found));
  }
  find.reset();
  ::RemoveDirectoryW(path.c_str());
}

std::string ReadFileBytes(const std::wstring& path) {
  fw::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[4096];
  DWORD count = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &count, nullptr) && count > 0) {
    bytes.append(buffer, count);
  }
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  fw::unique_hfile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file) << "cannot write " << WideToUtf8(path);
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// ---- The command pipe
// ------------------------------------------------------------------------------

bool WaitForPipe(DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (::WaitNamedPipeW(kPipeName, 100)) return true;
    if (::GetLastError() == ERROR_SEM_TIMEOUT) return true;  // exists, busy
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(20);
  }
}

fw::unique_hfile ConnectPipe(DWORD timeoutMs) {
  fw::unique_hfile pipe;
  ConnectElevatedTasks(timeoutMs, pipe);
  return pipe;
}

bool SendBytes(HANDLE pipe, const void* data, size_t count) {
  DWORD written = 0;
  DWORD error = 0;
  return TransferBounded(pipe, true, const_cast<void*>(data), static_cast<DWORD>(count), 60000,
                         written, error) == Transfer::Done &&
         written == count;
}

PipeMessage MakeMessage(uint32_t command, const std::wstring& path) {
  PipeMessage message = {};
  message.command = command;
  path.copy(message.path, std::min(path.size(), kPipePathUnits));
  return message;
}

bool SendPipeMessage(HANDLE pipe, const PipeMessage& message) {
  return SendBytes(pipe, &message, sizeof(message));
}

Reply ReadReply(HANDLE pipe, DWORD timeoutMs) {
  Reply reply;
  reply.bytes.resize(4096);
  DWORD count = 0;
  const Transfer read =
      TransferBounded(pipe, false, reply.bytes.data(), static_cast<DWORD>(reply.bytes.size()),
                      timeoutMs, count, reply.error);
  if (read == Transfer::TimedOut) reply.error = WAIT_TIMEOUT;
  reply.ok = read == Transfer::Done;
  reply.bytes.resize(reply.ok ? count : 0);
  return reply;
}

bool IsCleanAcknowledgement(const Reply& reply) {
  if (!reply.ok || reply.bytes.size() != sizeof(PipeMessage)) return false;
  uint32_t code = 0;
  std::memcpy(&code, reply.bytes.data(), sizeof(code));
  if (code != Done) return false;
  for (size_t i = sizeof(uint32_t); i < reply.bytes.size(); ++i) {
    if (reply.bytes[i] != 0) return false;
  }
  return true;
}

void RoundTrip(HANDLE pipe, uint32_t command, const std::wstring& path) {
  ASSERT_TRUE(SendPipeMessage(pipe, MakeMessage(command, path))) << "send " << command;
  const Reply reply = ReadReply(pipe);
  EXPECT_TRUE(IsCleanAcknowledgement(reply))
      << "command " << command << ": ok=" << reply.ok << " error=" << reply.error
      << " size=" << reply.bytes.size();
}

// ---- Services
// ------------------------------------------------------------------------------------------

namespace {

fw::unique_schandle OpenManager() {
  return fw::unique_schandle(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

void StopAndDelete(const std::wstring& name) {
  fw::unique_schandle manager = OpenManager();
  fw::unique_schandle service(::OpenServiceW(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
  if (!service) return;
  SERVICE_STATUS status = {};
  ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  for (int i = 0; i < 200; ++i) {
    if (::QueryServiceStatus(service.get(), &status) && status.dwCurrentState == SERVICE_STOPPED) {
      break;
    }
    ::Sleep(50);
  }
  ::DeleteService(service.get());
  service.reset();
  // The manager removes a deleted service only once its process is gone;
  // until then a new one of the same name fails with 1072.
  for (int i = 0; i < 200; ++i) {
    fw::unique_schandle gone(::OpenServiceW(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
    if (!gone) break;
    ::Sleep(50);
  }
}

}  // namespace

ScopedFakeService::ScopedFakeService(const std::wstring& name, DWORD stopDelayMs, bool ignoreStop,
                                     const std::wstring& logPath)
    : name_(name) {
  StopAndDelete(name_);
  std::wstring binary = L"\"" + BinPath(L"fake_service.exe") + L"\" " + name_ +
                        L" --stop-delay-ms " + std::to_wstring(stopDelayMs);
  if (ignoreStop) binary += L" --ignore-stop";
  if (!logPath.empty()) binary += L" --log \"" + logPath + L"\"";
  fw::unique_schandle manager = OpenManager();
  fw::unique_schandle service(
      ::CreateServiceW(manager.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                       binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  ok_ = static_cast<bool>(service);
  if (!ok_) ADD_FAILURE() << "CreateServiceW failed " << ::GetLastError();
}

ScopedFakeService::~ScopedFakeService() { StopAndDelete(name_); }

DWORD ScopedFakeService::State() const {
  fw::unique_schandle manager = OpenManager();
  fw::unique_schandle service(::OpenServiceW(manager.get(), name_.c_str(), SERVICE_QUERY_STATUS));
  SERVICE_STATUS status = {};
  if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

bool ScopedFakeService::Start() const {
  fw::unique_schandle manager = OpenManager();
  fw::unique_schandle service(::OpenServiceW(manager.get(), name_.c_str(), SERVICE_ALL_ACCESS));
  return service && ::StartServiceW(service.get(), 0, nullptr) &&
         WaitForState(SERVICE_RUNNING, 10000);
}

bool ScopedFakeService::WaitForState(DWORD state, DWORD timeoutMs) const {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (State() != state) {
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(20);
  }
  return true;
}

}  // namespace vxtest
