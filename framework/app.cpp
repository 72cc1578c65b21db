#include "framework/app.h"

namespace fw {
namespace {

AppState& MutableApp() {
  static AppState state;
  return state;
}

std::wstring ModuleBaseName(HINSTANCE instance) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  std::wstring name(path, length);
  const size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.erase(dot);
  return name;
}

}  // namespace

std::wstring LoadResourceString(UINT id) {
  // With a zero buffer length LoadStringW hands out a read-only pointer into
  // the resource itself, which is not terminated: take exactly its length.
  const wchar_t* text = nullptr;
  const int length =
      ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return L"";
  return std::wstring(text, static_cast<size_t>(length));
}

bool LoadDllsFromSystem32Only() {
  return ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

void PreloadSystemDll(const wchar_t* name) {
  ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);  // kept for good
}

unique_schandle OpenServiceManager(DWORD access) {
  PreloadSystemDll(L"rpcrt4.dll");
  return unique_schandle(::OpenSCManagerW(nullptr, nullptr, access));
}

bool AppInit(HINSTANCE instance, HINSTANCE /*previous*/, const wchar_t* commandLine, int show) {
  if (instance == nullptr) return false;
  AppState& app = MutableApp();
  app.instance = instance;
  app.commandLine = commandLine ? commandLine : L"";
  app.showCommand = show;
  app.initialised = true;
  return true;
}

const AppState& App() {
  AppState& app = MutableApp();
  // Looked up at its first use rather than in AppInit: the string lookup is
  // user32's, and a program that never shows a box need not load user32.
  if (app.initialised && app.title.empty()) {
    app.title = LoadResourceString(kAppTitleStringId);
    if (app.title.empty()) app.title = ModuleBaseName(app.instance);
  }
  return app;
}

int AppMessageBox(const std::wstring& text, UINT type, UINT /*helpContext*/) {
  const AppState& app = App();
  const wchar_t* caption = app.title.empty() ? nullptr : app.title.c_str();
  // A console program has no window of its own; a task-modal box keeps the
  // calling thread blocked until somebody answers it.
  return ::MessageBoxW(::GetActiveWindow(), text.c_str(), caption, type | MB_TASKMODAL);
}

}  // namespace fw
