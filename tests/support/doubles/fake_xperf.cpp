// Stands in for Microsoft's Xperf.exe. Sleeps for VX_FAKE_XPERF_DELAY_MS,
// then appends what it was given to the file named by VX_FAKE_XPERF_LOG, in
// UTF-8: one line "params=<the raw text after the program name>", one line
// "argc=<n>", then one line "argv[i]=<argument>" for each argument. The log
// is written only at the end, so its presence proves the run finished.
// With VX_FAKE_XPERF_CHECK_PATH set, a first line "exists=1" or "exists=0"
// tells whether that path existed when the fake started.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring Env(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, buffer, 1024);
  return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

// The command line after the program name, as CreateProcess was given it.
std::wstring RawParameters(const wchar_t* line) {
  const wchar_t* p = line;
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return "";
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

}  // namespace

int wmain() {
  const std::wstring checkPath = Env(L"VX_FAKE_XPERF_CHECK_PATH");
  const bool checkedExists =
      !checkPath.empty() && ::GetFileAttributesW(checkPath.c_str()) != INVALID_FILE_ATTRIBUTES;
  const std::wstring delay = Env(L"VX_FAKE_XPERF_DELAY_MS");
  if (!delay.empty()) ::Sleep(static_cast<DWORD>(_wtol(delay.c_str())));

  const std::wstring logPath = Env(L"VX_FAKE_XPERF_LOG");
  if (logPath.empty()) return 0;
  std::string record;
  if (!checkPath.empty()) record += checkedExists ? "exists=1\n" : "exists=0\n";
  record += "params=" + Utf8(RawParameters(::GetCommandLineW())) + "\n";
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  record += "argc=" + std::to_string(argc - 1) + "\n";
  for (int i = 1; i < argc; ++i) {
    record += "argv[" + std::to_string(i) + "]=" + Utf8(argv[i]) + "\n";
  }
  ::LocalFree(argv);

  HANDLE file = ::CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
