// Stands in for the "CORVANTALauncher" service (or any name it is registered
// under). Command line: <name> [--stop-delay-ms N] [--ignore-stop] [--log FILE].
// A stop is answered with STOP_PENDING and STOPPED N ms later; with
// --ignore-stop the stop request is accepted and then never carried out.
// With --log, each start and each stop request appends a line "start" or
// "stop" to FILE, so a test can tell what the service was asked to do.

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
SERVICE_STATUS g_status = {};
HANDLE g_stopEvent = nullptr;
DWORD g_stopDelayMs = 0;
bool g_ignoreStop = false;
std::wstring g_name = L"CORVANTALauncher";
std::wstring g_log;

void Log(const char* line) {
  if (g_log.empty()) return;
  HANDLE file = ::CreateFileW(g_log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
  ::CloseHandle(file);
}

void Report(DWORD state) {
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_status.dwCurrentState = state;
  g_status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
  g_status.dwWin32ExitCode = NO_ERROR;
  g_status.dwWaitHint = state == SERVICE_STOP_PENDING ? g_stopDelayMs + 1000 : 0;
  ::SetServiceStatus(g_statusHandle, &g_status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      Log("stop\n");
      if (g_ignoreStop) return NO_ERROR;
      Report(SERVICE_STOP_PENDING);
      ::SetEvent(g_stopEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  g_statusHandle = ::RegisterServiceCtrlHandlerExW(g_name.c_str(), Handler, nullptr);
  if (!g_statusHandle) return;
  g_stopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Log("start\n");
  Report(SERVICE_RUNNING);
  ::WaitForSingleObject(g_stopEvent, INFINITE);
  ::Sleep(g_stopDelayMs);
  Report(SERVICE_STOPPED);
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  if (argc > 1) g_name = argv[1];
  for (int i = 2; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--stop-delay-ms") == 0 && i + 1 < argc) {
      g_stopDelayMs = static_cast<DWORD>(_wtol(argv[++i]));
    } else if (std::wcscmp(argv[i], L"--log") == 0 && i + 1 < argc) {
      g_log = argv[++i];
    } else if (std::wcscmp(argv[i], L"--ignore-stop") == 0) {
      g_ignoreStop = true;
    }
  }
  SERVICE_TABLE_ENTRYW table[] = {{g_name.data(), ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
