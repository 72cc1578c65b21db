#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include "library/launch_shell/elevated_tasks_client_check.h"
#include "library/launch_shell/launch_shell.h"

namespace vxtest {

using namespace launch_shell::detail;

std::wstring BinFolder() {
  wchar_t path[MAX_PATH] = {};
  const std::wstring file(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  return file.substr(0, file.find_last_of(L'\\'));
}

// No more units than bytes, no more than three bytes a unit.
std::wstring Utf8ToWide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size())));
  return wide;
}

std::string WideToUtf8(const std::wstring& text) {
  std::string narrow(text.size() * 3, '\0');
  narrow.resize(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      narrow.data(), static_cast<int>(narrow.size()), nullptr,
                                      nullptr));
  return narrow;
}

bool Eventually(const std::function<bool()>& done, DWORD timeoutMs) {
  for (const ULONGLONG deadline = ::GetTickCount64() + timeoutMs; !done(); ::Sleep(20)) {
    if (::GetTickCount64() >= deadline) return false;
  }
  return true;
}

Child StartChild(const std::wstring& commandLine, bool captureOutput) {
  Child child;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE ends[2] = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
  if (captureOutput && !::CreatePipe(&ends[0], &ends[1], &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe failed " << ::GetLastError();
    return child;
  }
  // The child's end is closed here once the child holds its own copy.
  fw::unique_hfile outputWrite(ends[1]);
  child.outputRead.reset(ends[0]);
  if (captureOutput) {
    ::SetHandleInformation(ends[0], HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = ends[1];
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  }
  std::wstring line = commandLine;
  PROCESS_INFORMATION info = {};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, captureOutput, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "CreateProcessW failed " << ::GetLastError() << " for "
                  << WideToUtf8(commandLine);
    return Child{};
  }
  ::CloseHandle(info.hThread);
  child.process.reset(info.hProcess);
  child.pid = info.dwProcessId;
  return child;
}

std::optional<DWORD> WaitExit(const Child& child, DWORD timeoutMs) {
  DWORD code = 0;
  if (!child.process || ::WaitForSingleObject(child.process.get(), timeoutMs) != WAIT_OBJECT_0)
    return std::nullopt;
  ::GetExitCodeProcess(child.process.get(), &code);
  return code;
}

std::string ReadAllOutput(Child& child) {
  // Two minutes at most: a grandchild that inherited the write end must not hold us.
  std::string output;
  char buffer[4096];
  bool ended = false;
  for (const ULONGLONG deadline = ::GetTickCount64() + 120000;
       child.outputRead && ::GetTickCount64() < deadline;) {
    DWORD available = 0, count = 0;
    if (!::PeekNamedPipe(child.outputRead.get(), nullptr, 0, nullptr, &available, nullptr)) break;
    if (available > 0 &&
        ::ReadFile(child.outputRead.get(), buffer, sizeof(buffer), &count, nullptr)) {
      output.append(buffer, count);
    } else if (ended) {
      break;  // what it wrote before it ended has been read
    } else {
      ended = WaitExit(child, 20).has_value();
    }
  }
  child.outputRead.reset();
  return output;
}

Child StartElevatedTasks(const std::wstring& arguments, bool captureOutput) {
  const std::wstring program = L"\"" + BinPath(L"qlfvxET.exe") + L"\"";
  return StartChild(arguments.empty() ? program : program + L" " + arguments, captureOutput);
}

void KillChild(Child& child) {
  if (child.process && ::WaitForSingleObject(child.process.get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(child.process.get(), 99);
    ::WaitForSingleObject(child.process.get(), 10000);
  }
}

std::string OutputAndExit(Child& child, DWORD timeoutMs) {
  const std::string output = ReadAllOutput(child);  // first: a full pipe would block it
  const std::optional<DWORD> code = WaitExit(child, timeoutMs);
  KillChild(child);
  return output + "exit " + std::to_string(code.value_or(999));
}

void ForEachProcess(const std::function<void(const PROCESSENTRY32W&)>& visit) {
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
       more = ::Process32NextW(snapshot.get(), &entry)) {
    visit(entry);
  }
}

std::vector<PROCESSENTRY32W> FindProcesses(const std::wstring& name) {
  std::vector<PROCESSENTRY32W> found;
  ForEachProcess([&](const PROCESSENTRY32W& entry) {
    if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) found.push_back(entry);
  });
  return found;
}

ScopedEnv::ScopedEnv(const std::wstring& name, const std::optional<std::wstring>& value)
    : name_(name) {
  const DWORD needed = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  if (needed != 0) {
    old_.emplace(needed, L'\0');
    old_->resize(::GetEnvironmentVariableW(name.c_str(), old_->data(), needed));
  }
  ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
}

ScopedEnv::~ScopedEnv() {
  ::SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

std::optional<RawValue> ReadRawValue(HKEY root, const std::wstring& keyPath,
                                     const std::wstring& valueName) {
  fw::unique_hkey key;
  RawValue value;
  DWORD size = 0;
  if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS ||
      ::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type, nullptr, &size) !=
          ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  if (::RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &value.type,
                         size ? value.data.data() : nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  return value;
}

std::vector<BYTE> UnitBytes(const std::wstring& text) {
  const auto* first = reinterpret_cast<const BYTE*>(text.data());
  return {first, first + text.size() * sizeof(wchar_t)};
}

bool SetRawValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& bytes) {
  return ::RegSetKeyValueW(root, keyPath.c_str(), name.c_str(), type,
                           bytes.empty() ? nullptr : bytes.data(),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

ScopedValueOverride::ScopedValueOverride(HKEY root, std::wstring keyPath, std::wstring name,
                                         DWORD type, const std::wstring& text)
    : root_(root),
      keyPath_(std::move(keyPath)),
      name_(std::move(name)),
      old_(ReadRawValue(root_, keyPath_, name_)),
      ok_(SetRawValue(root_, keyPath_, name_, type, SzBytes(text))) {}

ScopedValueOverride::~ScopedValueOverride() {
  if (old_)
    SetRawValue(root_, keyPath_, name_, old_->type, old_->data);
  else
    ::RegDeleteKeyValueW(root_, keyPath_.c_str(), name_.c_str());
}

TempFolder::TempFolder(const std::wstring& hint) {
  wchar_t base[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, base);
  static unsigned counter = 0;
  do {
    path_ = std::wstring(base) + hint + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(++counter);
  } while (!::CreateDirectoryW(path_.c_str(), nullptr) && ::GetLastError() == ERROR_ALREADY_EXISTS);
  if (!PathIsFolder(path_)) ADD_FAILURE() << "cannot create " << WideToUtf8(path_);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool PathIsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveTree(const std::wstring& path) {
  if (path.empty()) return;
  WIN32_FIND_DATAW found = {};
  fw::unique_findhandle find(::FindFirstFileW((path + L"\\*").c_str(), &found));
  for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &found)) {
    const std::wstring name = found.cFileName, child = path + L"\\" + name;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(child.c_str());
    } else if (name != L"." && name != L"..") {
      RemoveTree(child);
    }
  }
  find.reset();
  ::RemoveDirectoryW(path.c_str());
}

std::string ReadFileBytes(const std::wstring& path) {
  fw::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  char buffer[4096];
  for (DWORD count = 0; ::ReadFile(file.get(), buffer, sizeof(buffer), &count, nullptr) && count;)
    bytes.append(buffer, count);
  return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  fw::unique_hfile file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file) << "cannot write " << WideToUtf8(path);
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool WaitForPipe(DWORD timeoutMs) {
  // A busy pipe exists all the same.
  return Eventually(
      [] { return ::WaitNamedPipeW(kPipeName, 1) || ::GetLastError() == ERROR_SEM_TIMEOUT; },
      timeoutMs);
}

fw::unique_hfile ConnectPipe(DWORD timeoutMs) {
  fw::unique_hfile pipe;
  ConnectElevatedTasks(timeoutMs, pipe);
  return pipe;
}

bool SendBytes(HANDLE pipe, const void* data, size_t count) {
  DWORD written = 0, error = 0;
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
  std::vector<BYTE> expected(sizeof(PipeMessage), 0);
  expected[0] = Done;
  return reply.ok && reply.bytes == expected;
}

void RoundTrip(HANDLE pipe, uint32_t command, const std::wstring& path) {
  ASSERT_TRUE(SendPipeMessage(pipe, MakeMessage(command, path))) << "send " << command;
  const Reply reply = ReadReply(pipe);
  EXPECT_TRUE(IsCleanAcknowledgement(reply))
      << "command " << command << ": ok=" << reply.ok << " error=" << reply.error
      << " size=" << reply.bytes.size();
}

Session::Session(bool captureOutput)
    : server(StartElevatedTasks(std::to_wstring(::GetCurrentProcessId()), captureOutput)),
      pipe(ConnectPipe()) {
  EXPECT_TRUE(pipe) << "cannot connect: " << ::GetLastError();
}

Session::~Session() {
  pipe.reset();
  if (!WaitExit(server, 10000)) KillChild(server);
}

std::string Session::Finish() {
  if (pipe) RoundTrip(pipe.get(), Quit);
  pipe.reset();
  std::string output = ReadAllOutput(server);
  EXPECT_EQ(WaitExit(server, 10000), 0u);
  KillChild(server);
  return output;
}

static fw::unique_schandle Manager() {
  return fw::unique_schandle(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

ScopedFakeService::ScopedFakeService(const std::wstring& name, DWORD stopDelayMs,
                                     const std::wstring& logPath)
    : name_(name) {
  Remove();
  std::wstring binary =
      L"\"" + BinPath(L"fake_service.exe") + L"\" " + name_ + L" " + std::to_wstring(stopDelayMs);
  if (!logPath.empty()) binary += L" \"" + logPath + L"\"";
  fw::unique_schandle service(
      ::CreateServiceW(Manager().get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                       binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  ok_ = static_cast<bool>(service);
  if (!ok_) ADD_FAILURE() << "CreateServiceW failed " << ::GetLastError();
}

void ScopedFakeService::Remove() const {
  fw::unique_schandle service(::OpenServiceW(Manager().get(), name_.c_str(), SERVICE_ALL_ACCESS));
  if (!service) return;
  // Ended, not asked: however slowly it would stop, it is gone at once.
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                             reinterpret_cast<BYTE*>(&status), sizeof(status), &needed)) {
    fw::unique_handle process(::OpenProcess(PROCESS_TERMINATE, FALSE, status.dwProcessId));
    if (process) ::TerminateProcess(process.get(), 0);
  }
  WaitForState(SERVICE_STOPPED, 10000);
  ::DeleteService(service.get());
  service.reset();
  // Deleted only once its process is gone; until then a new one fails with 1072.
  Eventually([&] { return State() == 0; }, 10000);
}

DWORD ScopedFakeService::State() const {
  fw::unique_schandle service(::OpenServiceW(Manager().get(), name_.c_str(), SERVICE_QUERY_STATUS));
  SERVICE_STATUS status = {};
  return service && ::QueryServiceStatus(service.get(), &status) ? status.dwCurrentState : 0;
}

bool ScopedFakeService::Start() const {
  fw::unique_schandle service(::OpenServiceW(Manager().get(), name_.c_str(), SERVICE_START));
  return service && ::StartServiceW(service.get(), 0, nullptr) &&
         WaitForState(SERVICE_RUNNING, 10000);
}

bool ScopedFakeService::WaitForState(DWORD state, DWORD timeoutMs) const {
  return Eventually([&] { return State() == state; }, timeoutMs);
}

}  // namespace vxtest
