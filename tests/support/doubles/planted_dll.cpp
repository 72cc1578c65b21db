// Planted beside a program under a system DLL's name: leaves "<own path>.loaded" if loaded.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  wchar_t path[MAX_PATH + 8] = {};
  const DWORD length = ::GetModuleFileNameW(self, path, MAX_PATH);
  if (reason == DLL_PROCESS_ATTACH && length > 0 && length < MAX_PATH) {
    ::CloseHandle(::CreateFileW(::lstrcatW(path, L".loaded"), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr));
  }
  return TRUE;
}
