#include <windows.h>
#include <shlobj.h>

#include "elevated_tasks/elevated_tasks.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "framework/text.h"

namespace {

// The lookup's result; text is written only when it succeeded, and is empty
// for a folder without a file-system path.
HRESULT ShellFolderText(int csidl, std::wstring& text) {
  // shell32 needs ole32, and a command may reach this before anything else
  // has loaded it (the trace folder of XperfStop).
  fw::PreloadSystemDll(L"ole32.dll");
  PIDLIST_ABSOLUTE rawList = nullptr;
  const HRESULT result = ::SHGetSpecialFolderLocation(nullptr, csidl, &rawList);
  // The shell allocates item lists with the COM task allocator.
  const fw::unique_cotaskmem itemList(rawList);
  if (FAILED(result)) return result;
  // SHGetPathFromIDListW takes no size: it writes up to MAX_PATH units, so
  // the buffer is exactly that and nobody else chooses it.
  wchar_t buffer[MAX_PATH] = {};
  if (itemList) ::SHGetPathFromIDListW(rawList, buffer);
  text = fw::BoundedText(buffer, MAX_PATH - 1);
  return result;
}

// True when "<folder>\Quillforge" was created or already existed; folder
// holds that path either way.
bool AppendProductFolder(std::wstring& folder) {
  folder += L"\\Quillforge";
  return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

bool GetShellFolderPath(int csidl, std::wstring& path) {
  std::wstring text;
  if (ShellFolderText(csidl, text) != S_OK) return false;
  path = std::move(text);
  return true;
}

bool GetRoamingProductFolder(std::wstring& folder) {
  if (!GetShellFolderPath(CSIDL_APPDATA, folder)) return false;
  return AppendProductFolder(folder);
}

bool GetTraceFolder(std::wstring& output, std::wstring folder) {
  output.clear();
  if (!folder.empty()) {
    output = std::move(folder);
  } else {
    GetRoamingProductFolder(output);
  }
  return true;
}

bool GetTraceFileName(std::wstring& name) {
  name = L"qlfvxPerfData.etl";
  return true;
}
