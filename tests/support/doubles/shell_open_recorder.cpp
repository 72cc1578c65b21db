// Stands in for the program a file type is associated with: appends one
// line per argument ("argv[i]=<argument>", UTF-8) and a last line "end" to
// the file named by VX_SHELL_OPEN_LOG, so that a test sees exactly what the
// shell started it with, and that it ran to the end.

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

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
  wchar_t logPath[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"VX_SHELL_OPEN_LOG", logPath, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;

  std::string record;
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  for (int i = 1; argv && i < argc; ++i) {
    record += "argv[" + std::to_string(i) + "]=" + Utf8(argv[i]) + "\n";
  }
  ::LocalFree(argv);
  record += "end\n";

  HANDLE file =
      ::CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD written = 0;
  ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  ::CloseHandle(file);
  return 0;
}
