// Stands in for Xperf.exe. Sleeps VX_FAKE_XPERF_DELAY_MS (or until the named event
// VX_FAKE_XPERF_GATE is set, if that is sooner), then appends to VX_FAKE_XPERF_LOG, in UTF-8,
// "params=<raw text after the program name>": written only at the end, so the record proves the
// run finished. With VX_FAKE_XPERF_CHECK_PATH set, a first line "exists=1" or "exists=0" tells
// whether that path existed at start.

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

static std::wstring Env(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
  return length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

int wmain() {
  const std::wstring checkPath = Env(L"VX_FAKE_XPERF_CHECK_PATH");
  const bool existed = ::GetFileAttributesW(checkPath.c_str()) != INVALID_FILE_ATTRIBUTES;
  const DWORD delayMs = static_cast<DWORD>(_wtol(Env(L"VX_FAKE_XPERF_DELAY_MS").c_str()));
  const std::wstring gateName = Env(L"VX_FAKE_XPERF_GATE");
  HANDLE gate = gateName.empty() ? nullptr : ::OpenEventW(SYNCHRONIZE, FALSE, gateName.c_str());
  ::WaitForSingleObject(gate ? gate : ::GetCurrentProcess(), delayMs);
  if (gate) ::CloseHandle(gate);
  const std::wstring logPath = Env(L"VX_FAKE_XPERF_LOG");
  if (logPath.empty()) return 0;

  std::string record;
  if (!checkPath.empty()) record += existed ? "exists=1\n" : "exists=0\n";
  // As CreateProcess was given them: past the (maybe quoted) program name and its blanks.
  const wchar_t* params = ::GetCommandLineW();
  const bool quoted = *params == L'"';
  params += quoted ? 1 + std::wcscspn(params + 1, L"\"") : std::wcscspn(params, L" \t");
  params += quoted && *params;  // the closing quote
  params += std::wcsspn(params, L" \t");
  const int units = static_cast<int>(std::wcslen(params));
  std::string utf8(units * 3, '\0');  // at most three bytes a unit
  utf8.resize(
      ::WideCharToMultiByte(CP_UTF8, 0, params, units, utf8.data(), units * 3, nullptr, nullptr));
  record += "params=" + utf8 + "\n";

  HANDLE file = ::CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
