#include <cstdio>

#include "elevated_tasks/elevated_tasks.h"
#include "framework/app.h"
#include "framework/handles.h"

namespace {

void PrintLine(const wchar_t* format, DWORD error) {
  ::wprintf(format, static_cast<int>(error));
  // The console is hidden and may be a pipe: push the line out now.
  ::fflush(stdout);
}

}  // namespace

bool StartOrStopService(const std::wstring& serviceName, int control) {
  fw::unique_schandle manager = fw::OpenServiceManager(SC_MANAGER_ALL_ACCESS);
  if (!manager) return false;
  fw::unique_schandle service(
      ::OpenServiceW(manager.get(), serviceName.c_str(), SERVICE_ALL_ACCESS));
  if (!service) return false;

  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!::QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&status), sizeof(status), &needed)) {
    PrintLine(L"QueryServiceStatusEx failed (%d)\n", ::GetLastError());
    return false;
  }

  switch (control) {
    case ServiceStart:
      if (status.dwCurrentState == SERVICE_STOPPED ||
          status.dwCurrentState == SERVICE_STOP_PENDING) {
        return ::StartServiceW(service.get(), 0, nullptr) != FALSE;
      }
      return false;
    case ServiceStop:
      // The stop's answer lands in the same record and is not looked at.
      if (::ControlService(service.get(), SERVICE_CONTROL_STOP,
                           reinterpret_cast<SERVICE_STATUS*>(&status))) {
        return true;
      }
      PrintLine(L"ControlService failed (%d)\n", ::GetLastError());
      return false;
    default:
      return false;
  }
}
