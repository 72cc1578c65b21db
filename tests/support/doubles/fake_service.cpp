// The launcher service: <name> <stop delay ms> [log of "start"/"stop"].

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/handles.h"

static SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
static HANDLE g_stopEvent = nullptr;
static DWORD g_stopDelayMs = 0;
static std::wstring g_name, g_log;

static void Log(const char* line) {
  fw::unique_hfile file(::CreateFileW(g_log.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                                      nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.get(), line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
}

static void Report(DWORD state) {
  const DWORD accepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0,
              hint = state == SERVICE_STOP_PENDING ? g_stopDelayMs + 1000 : 0;
  SERVICE_STATUS status = {SERVICE_WIN32_OWN_PROCESS, state, accepted, 0, 0, 0, hint};
  ::SetServiceStatus(g_statusHandle, &status);
}

static DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
  if (control != SERVICE_CONTROL_STOP) return ERROR_CALL_NOT_IMPLEMENTED;
  Log("stop\n");
  Report(SERVICE_STOP_PENDING);
  ::SetEvent(g_stopEvent);
  return NO_ERROR;
}

static void WINAPI ServiceMain(DWORD, wchar_t**) {
  g_statusHandle = ::RegisterServiceCtrlHandlerExW(g_name.c_str(), Handler, nullptr);
  if (!g_statusHandle) return;
  g_stopEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Log("start\n");
  Report(SERVICE_RUNNING);
  ::WaitForSingleObject(g_stopEvent, INFINITE);
  ::Sleep(g_stopDelayMs);
  Report(SERVICE_STOPPED);
}

int wmain(int argc, wchar_t* argv[]) {
  if (argc < 3) return 1;
  g_name = argv[1];
  g_stopDelayMs = static_cast<DWORD>(_wtol(argv[2]));
  if (argc > 3) g_log = argv[3];
  SERVICE_TABLE_ENTRYW table[] = {{g_name.data(), ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
