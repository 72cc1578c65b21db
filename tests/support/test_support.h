#pragma once
// What the tests share: child processes, scratch registry keys and folders,
// environment overrides, raw registry reads, a raw pipe client and the
// doubles' locations. Everything here works against the real Windows API.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "elevated_tasks/elevated_tasks.h"
#include "framework/handles.h"

namespace vxtest {

// ---- Locations --------------------------------------------------------------

// The folder of the running test program (where every built program lies).
std::wstring BinFolder();
// BinFolder() + "\" + name.
std::wstring BinPath(const std::wstring& name);
// The folder that holds the fake Xperf.exe (kept off the default search path).
std::wstring FakeXperfFolder();
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// ---- Processes ----------------------------------------------------------------

struct Child {
  fw::unique_handle process;
  DWORD pid = 0;
  fw::unique_hfile outputRead;  // set when the output is captured
};

// Starts commandLine (the program path quoted by the caller as needed), with
// the test's environment. Captures standard output and error when asked.
// Fails the calling test (ADD_FAILURE) and returns an empty child on error.
Child StartChild(const std::wstring& commandLine, bool captureOutput = false,
                 DWORD creationFlags = CREATE_NO_WINDOW);

// Waits up to timeoutMs; the exit code, or nullopt when the child still runs.
std::optional<DWORD> WaitExit(const Child& child, DWORD timeoutMs);

// Everything the child wrote to its captured output, read until it closes.
std::string ReadAllOutput(Child& child);

// Starts ElevatedTasks from the bin folder with the given argument text.
Child StartElevatedTasks(const std::wstring& arguments, bool captureOutput = false);
// Starts ElevatedTasks on behalf of this test process (its id as argument)
// and waits until its pipe exists.
Child StartElevatedTasksForThisProcess(bool captureOutput = false);

// Ends a child that is still running and waits for it.
void KillChild(Child& child);

// ---- Environment ------------------------------------------------------------

// Sets or removes one variable of this process (inherited by children) and
// restores the old value at scope end.
class ScopedEnv {
 public:
  ScopedEnv(const std::wstring& name, const std::optional<std::wstring>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::wstring name_;
  std::optional<std::wstring> old_;
};

// ---- Registry -----------------------------------------------------------------

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};
// The value's exact type and bytes, or nullopt when the key or value is absent.
std::optional<RawValue> ReadRawValue(HKEY root, const std::wstring& keyPath,
                                     const std::wstring& valueName);
// The bytes a REG_SZ of text takes with its NUL counted.
std::vector<BYTE> SzBytes(const std::wstring& text);
bool KeyExists(HKEY root, const std::wstring& keyPath);
// Removes a key and everything below it; absent is fine.
void DeleteTree(HKEY root, const std::wstring& keyPath);

// A key of the test's own under root, deleted first and last.
class ScratchKey {
 public:
  ScratchKey(HKEY root, std::wstring path);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  HKEY root() const { return root_; }
  const std::wstring& path() const { return path_; }

 private:
  HKEY root_;
  std::wstring path_;
};

// ---- Folders and files ----------------------------------------------------------

// A fresh folder under the system temporary folder, removed with its
// contents at scope end.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& hint = L"vxtest");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

bool PathIsFolder(const std::wstring& path);
bool PathExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// ---- The command pipe, raw --------------------------------------------------------

// Opens the ElevatedTasks pipe for overlapped use through the library's
// client, waiting up to timeoutMs for it to exist, in message read mode.
// Empty on failure.
fw::unique_hfile ConnectPipe(DWORD timeoutMs = 10000);
// Waits until the pipe exists (without connecting).
bool WaitForPipe(DWORD timeoutMs);

// Writes bytes as one message; true when all were written within a minute.
bool SendBytes(HANDLE pipe, const void* data, size_t count);
PipeMessage MakeMessage(uint32_t command, const std::wstring& path = L"");
bool SendPipeMessage(HANDLE pipe, const PipeMessage& message);

struct Reply {
  bool ok = false;  // a read succeeded
  DWORD error = 0;  // GetLastError of a failed read
  std::vector<BYTE> bytes;
};
// Reads one message of at most 4096 bytes, waiting up to timeoutMs; a read
// that does not finish in time is cancelled (error WAIT_TIMEOUT).
Reply ReadReply(HANDLE pipe, DWORD timeoutMs = 60000);
// True when the reply is exactly one 524-byte acknowledgement with code 2 and a zero path.
bool IsCleanAcknowledgement(const Reply& reply);
// Sends a message and expects a clean acknowledgement (gtest expectations).
void RoundTrip(HANDLE pipe, uint32_t command, const std::wstring& path = L"");

// ---- Services ------------------------------------------------------------------------

// Registers the fake service under the given name in the service manager,
// with its stop taking stopDelayMs (or never answered when ignoreStop), and
// removes it at scope end (stopping it first).
class ScopedFakeService {
 public:
  ScopedFakeService(const std::wstring& name, DWORD stopDelayMs, bool ignoreStop = false,
                    const std::wstring& logPath = L"");
  ~ScopedFakeService();
  ScopedFakeService(const ScopedFakeService&) = delete;
  ScopedFakeService& operator=(const ScopedFakeService&) = delete;
  bool ok() const { return ok_; }
  DWORD State() const;
  bool Start() const;
  // Waits until the service reports state, up to timeoutMs.
  bool WaitForState(DWORD state, DWORD timeoutMs) const;

 private:
  std::wstring name_;
  bool ok_ = false;
};

}  // namespace vxtest
