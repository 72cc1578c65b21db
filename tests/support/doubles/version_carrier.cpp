// The code of the test files that carry version resources (see
// version_carrier.cmake): a program or a library that does nothing. Only
// their resources are read, never run.

#include <windows.h>

#ifdef VX_VERSION_CARRIER_DLL
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#else
int wmain() { return 0; }
#endif
