#pragma once
// What the tests share, all against the real Windows API.

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "elevated_tasks/elevated_tasks.h"
#include "framework/handles.h"

namespace vxtest {

std::wstring BinFolder();
inline std::wstring BinPath(const std::wstring& name) { return BinFolder() + L"\\" + name; }
// Holds the fake Xperf.exe; kept off the default search path.
inline std::wstring FakeXperfFolder() { return BinFolder() + L"\\doubles\\xperf"; }
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// Whether done() holds, asked every 20 ms for up to timeoutMs.
bool Eventually(const std::function<bool()>& done, DWORD timeoutMs = 10000);

struct Child {
  fw::unique_handle process;
  DWORD pid = 0;
  fw::unique_hfile outputRead;
};
// Output and error captured together when asked; a failed start fails the test.
Child StartChild(const std::wstring& commandLine, bool captureOutput = false);
std::optional<DWORD> WaitExit(const Child& child, DWORD timeoutMs);
std::string ReadAllOutput(Child& child);  // until the child closes its output
Child StartElevatedTasks(const std::wstring& arguments, bool captureOutput = false);
void KillChild(Child& child);
struct Running : Child {  // ended on every path out of the test
  ~Running() { KillChild(*this); }
};
// What it printed, then "exit N" (999: still running after timeoutMs, then ended).
std::string OutputAndExit(Child& child, DWORD timeoutMs = 60000);
void ForEachProcess(const std::function<void(const PROCESSENTRY32W&)>& visit);
std::vector<PROCESSENTRY32W> FindProcesses(const std::wstring& name);
inline bool WaitUntilNoProcess(const std::wstring& name, DWORD timeoutMs) {
  return Eventually([&] { return FindProcesses(name).empty(); }, timeoutMs);
}

struct NoCopy {  // nor movable: one owner each
  NoCopy() = default;
  NoCopy(NoCopy&&) = delete;
};

// Sets (or with nullopt removes) a variable that children inherit, until scope end.
struct ScopedEnv : NoCopy {
  ScopedEnv(const std::wstring& name, const std::optional<std::wstring>& value);
  ~ScopedEnv();

  std::wstring name_;
  std::optional<std::wstring> old_;
};

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};
std::optional<RawValue> ReadRawValue(HKEY root, const std::wstring& keyPath,
                                     const std::wstring& valueName);
bool SetRawValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& bytes);
// The units of text as bytes, with (SzBytes) or without (UnitBytes) a NUL.
std::vector<BYTE> UnitBytes(const std::wstring& text);
inline std::vector<BYTE> SzBytes(const std::wstring& text) {
  return UnitBytes(std::wstring(text.c_str(), text.size() + 1));
}
inline std::vector<BYTE> DwordBytes(DWORD v) {
  return {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
}
inline bool SetText(HKEY root, const std::wstring& keyPath, const std::wstring& name,
                    const std::wstring& text) {
  return SetRawValue(root, keyPath, name, REG_SZ, SzBytes(text));
}
inline fw::unique_hkey OpenTestKey(HKEY root, const std::wstring& keyPath,
                                   REGSAM access = KEY_ALL_ACCESS) {
  fw::unique_hkey key;
  if (::RegOpenKeyExW(root, keyPath.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}
inline bool KeyExists(HKEY root, const std::wstring& keyPath) {
  return static_cast<bool>(OpenTestKey(root, keyPath, KEY_READ));
}
inline void DeleteTree(HKEY root, const std::wstring& keyPath) {
  ::RegDeleteTreeW(root, keyPath.c_str());
  ::RegDeleteKeyW(root, keyPath.c_str());
}

// Deleted first and last; with keepIfThere, a key that existed is left alone.
struct ScratchKey : NoCopy {
  ScratchKey(HKEY root, std::wstring path, bool keepIfThere = false)
      : root_(root), path_(std::move(path)), keep_(keepIfThere && KeyExists(root_, path_)) {
    if (!keepIfThere) DeleteTree(root_, path_);
  }
  ~ScratchKey() {
    if (!keep_) DeleteTree(root_, path_);
  }
  HKEY root() const { return root_; }
  const std::wstring& path() const { return path_; }

  HKEY root_;
  std::wstring path_;
  bool keep_;
};

// Replaces a value the prefix owns and puts back exactly what was there.
struct ScopedValueOverride : NoCopy {
  ScopedValueOverride(HKEY root, std::wstring keyPath, std::wstring name, DWORD type,
                      const std::wstring& text);
  ~ScopedValueOverride();
  bool ok() const { return ok_; }

  HKEY root_;
  std::wstring keyPath_, name_;
  std::optional<RawValue> old_;
  bool ok_;
};

struct TempFolder : NoCopy {
  explicit TempFolder(const std::wstring& hint = L"vxtest");
  ~TempFolder();
  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

  std::wstring path_;
};

bool PathIsFolder(const std::wstring& path);
inline bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
void RemoveTree(const std::wstring& path);
std::string ReadFileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);

// Through the library's client; empty when none appeared within timeoutMs.
fw::unique_hfile ConnectPipe(DWORD timeoutMs = 10000);
bool WaitForPipe(DWORD timeoutMs);
bool SendBytes(HANDLE pipe, const void* data, size_t count);
PipeMessage MakeMessage(uint32_t command, const std::wstring& path = L"");
inline bool SendPipeMessage(HANDLE pipe, const PipeMessage& message) {
  return SendBytes(pipe, &message, sizeof(message));
}

struct Reply {
  bool ok = false;
  DWORD error = 0;  // of a failed read; WAIT_TIMEOUT when it was cancelled
  std::vector<BYTE> bytes;
};
// One message of at most 4096 bytes; clean: exactly code 2 and an all-zero path.
Reply ReadReply(HANDLE pipe, DWORD timeoutMs = 60000);
bool IsCleanAcknowledgement(const Reply& reply);
void RoundTrip(HANDLE pipe, uint32_t command, const std::wstring& path = L"");

// ElevatedTasks on behalf of this process with its one client connected.
struct Session {
  explicit Session(bool captureOutput = false);
  ~Session();  // leaves; a server that does not end then is killed
  // Quits it (when still connected) and expects exit code 0; what it printed.
  std::string Finish();
  Child server;
  fw::unique_hfile pipe;
};

// Its stop takes stopDelayMs; removed at scope end.
struct ScopedFakeService : NoCopy {
  ScopedFakeService(const std::wstring& name, DWORD stopDelayMs, const std::wstring& logPath = L"");
  ~ScopedFakeService() { Remove(); }
  bool ok() const { return ok_; }
  DWORD State() const;
  bool Start() const;
  bool WaitForState(DWORD state, DWORD timeoutMs) const;

  void Remove() const;
  std::wstring name_;
  bool ok_ = false;
};

}  // namespace vxtest
