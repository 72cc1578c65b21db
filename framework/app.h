#pragma once
// The small application layer the product needs from a desktop framework:
// one process-wide application record, its initialisation, and modal
// message boxes with the application's title as caption.

#include <windows.h>

#include <string>

#include "framework/handles.h"

namespace fw {

// What the initialisation keeps about the running program. One per process.
struct AppState {
  HINSTANCE instance = nullptr;
  std::wstring commandLine;
  int showCommand = 0;
  std::wstring title;  // string resource of the title id, else the module's base name;
                       // looked up at the first App() after AppInit
  bool initialised = false;
};

// The string resource that holds an application's title.
inline constexpr UINT kAppTitleStringId = 103;

// Records the instance, command line and show state; the title follows at
// the first App(). Returns false when no instance is given; the state is then
// left untouched.
bool AppInit(HINSTANCE instance, HINSTANCE previous, const wchar_t* commandLine, int show);

const AppState& App();

// Shows a modal message box owned by the active window of this thread (or
// none) with the application's title, and returns the button pressed, or 0
// when the box could not be shown. helpContext is accepted for the callers
// that pass one; no help file is ever attached.
int AppMessageBox(const std::wstring& text, UINT type = MB_OK, UINT helpContext = 0);

// Loads string resource id of the running program; empty when absent.
std::wstring LoadResourceString(UINT id);

// From now on every DLL this process loads by name comes from System32
// alone: never from the program's own folder, which a per-user install leaves
// writable to the user, nor from the current folder or PATH. A program that
// runs elevated, or starts one, calls it first, before anything delay-loaded
// is touched. False when the system refuses the restriction.
bool LoadDllsFromSystem32Only();

// Loads a system DLL from System32 and keeps it loaded. Under Wine a DLL's
// own imports (sechost's delayed rpcrt4, shell32's ole32) are looked for in
// the program's folder first, whatever LoadDllsFromSystem32Only said; a DLL
// found loaded is not searched for. (On Windows both are KnownDLLs.)
void PreloadSystemDll(const wchar_t* name);

// OpenSCManagerW(nullptr, nullptr, access), with rpcrt4 preloaded: the
// service calls need it. Empty on failure, with GetLastError() set by
// OpenSCManagerW.
unique_schandle OpenServiceManager(DWORD access);

}  // namespace fw
