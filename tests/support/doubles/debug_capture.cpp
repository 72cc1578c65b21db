// A minimal debugger for tests: starts a program under DEBUG_ONLY_THIS_PROCESS
// and records every debug-output message it sends, in order.
//
//   debug_capture.exe <output file> <program> [arguments...]
//
// The output file receives each message as UTF-8 followed by one NUL byte;
// the messages are also printed, one per line, on standard output. The exit
// code is the program's own, or 250 and up when the debugging itself failed.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Always quoted, so that a pattern such as * reaches the program as it is;
// trailing backslashes doubled so that they do not escape the closing quote.
// The tests pass no embedded quotes.
std::wstring Quoted(const std::wstring& argument) {
  size_t trailing = 0;
  while (trailing < argument.size() && argument[argument.size() - 1 - trailing] == L'\\') {
    ++trailing;
  }
  return L"\"" + argument + std::wstring(trailing, L'\\') + L"\"";
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
  return result;
}

// The message text from the debuggee's memory, without its terminator.
std::wstring MessageText(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  const size_t units = info.nDebugStringLength;
  if (units == 0) return std::wstring();
  if (info.fUnicode) {
    std::wstring text(units, L'\0');
    SIZE_T read = 0;
    ::ReadProcessMemory(process, info.lpDebugStringData, text.data(), units * sizeof(wchar_t),
                        &read);
    text.resize(read / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
  }
  std::string bytes(units, '\0');
  SIZE_T read = 0;
  ::ReadProcessMemory(process, info.lpDebugStringData, bytes.data(), units, &read);
  bytes.resize(read);
  while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  std::wstring text(bytes.size(), L'\0');
  const int size = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()),
                                         text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(size > 0 ? size : 0));
  return text;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc < 3) {
    std::fprintf(stderr, "usage: debug_capture <output file> <program> [arguments...]\n");
    return 250;
  }
  std::wstring commandLine = Quoted(argv[2]);
  for (int i = 3; i < argc; ++i) commandLine += L" " + Quoted(argv[i]);

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child = {};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &child)) {
    std::fprintf(stderr, "CreateProcessW failed %lu\n", ::GetLastError());
    return 251;
  }

  std::vector<std::wstring> messages;
  bool running = true;
  bool timedOut = false;
  while (running) {
    DEBUG_EVENT event = {};
    if (!::WaitForDebugEvent(&event, 120000)) {
      timedOut = true;
      ::TerminateProcess(child.hProcess, 252);
      break;
    }
    DWORD continueStatus = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case OUTPUT_DEBUG_STRING_EVENT:
        messages.push_back(MessageText(child.hProcess, event.u.DebugString));
        break;
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The loader's breakpoint is ours to pass; anything else is the
        // program's own to handle.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          continueStatus = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        running = false;
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
  }
  ::WaitForSingleObject(child.hProcess, 10000);
  DWORD exitCode = 253;
  ::GetExitCodeProcess(child.hProcess, &exitCode);
  ::CloseHandle(child.hThread);
  ::CloseHandle(child.hProcess);

  std::string record;
  for (const std::wstring& message : messages) {
    const std::string text = Utf8(message);
    std::printf("%s\n", text.c_str());
    record += text;
    record.push_back('\0');
  }
  HANDLE output = ::CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return 254;
  DWORD written = 0;
  const BOOL wrote =
      ::WriteFile(output, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  ::CloseHandle(output);
  if (!wrote || written != record.size()) return 254;
  return timedOut ? 252 : static_cast<int>(exitCode);
}
