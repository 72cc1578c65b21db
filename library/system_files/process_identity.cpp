#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <iterator>

#include "framework/handles.h"
#include "framework/text.h"
#include "library/system_files/process_identity_text.h"
#include "library/system_files/system_files.h"

namespace system_files::detail {

std::wstring OwnFolderFromModulePath(const std::wstring& modulePath) {
  const size_t lastBackslash = modulePath.find_last_of(L'\\');
  if (lastBackslash == std::wstring::npos || lastBackslash == 0) return L".";
  return modulePath.substr(0, lastBackslash);
}

std::wstring LaunchingProductForExecutable(const std::wstring& parentName) {
  static constexpr struct {
    const wchar_t* executable;
    const wchar_t* product;
  } kProducts[] = {
      {L"qlfmain.exe", L"QUILLFORGE"},
      {L"QUILLFORGEWirewright.exe", L"QUILLFORGE Wirewright"},
      {L"Sceneloom.exe", L"QUILLFORGE Sceneloom"},
  };
  for (const auto& row : kProducts) {
    if (fw::CompareNoCase(parentName, row.executable) == 0) return row.product;
  }
  return L"";
}

}  // namespace system_files::detail

namespace {

using system_files::detail::kUnknownModuleName;

// The base name of the first module of a process: its executable. Every
// failure leaves "<unknown>".
std::wstring ModuleNameOfProcess(DWORD processId) {
  fw::unique_handle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return kUnknownModuleName;

  // Room for exactly one module handle: the first one is the executable.
  HMODULE firstModule = nullptr;
  DWORD bytesNeeded = 0;
  if (!::K32EnumProcessModulesEx(process.get(), &firstModule, sizeof(firstModule), &bytesNeeded,
                                 LIST_MODULES_ALL)) {
    return kUnknownModuleName;
  }
  wchar_t name[MAX_PATH] = {};
  const DWORD length = ::K32GetModuleBaseNameW(process.get(), firstModule, name,
                                               static_cast<DWORD>(std::size(name)));
  if (length == 0) return kUnknownModuleName;
  return fw::BoundedText(name, std::size(name));
}

}  // namespace

BOOL GetOwnFolder(std::wstring& folder) {
  folder.clear();
  // A path longer than MAX_PATH would come back cut, and a cut path names
  // some other folder: ask again with room for the longest path Windows has.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size() || path.size() >= 32768) {
      path.resize(length < path.size() ? length : 0);
      break;
    }
    path.resize(path.size() * 2);
  }
  folder = system_files::detail::OwnFolderFromModulePath(path);
  return TRUE;
}

void GetProcessModuleName(DWORD processId, std::wstring& name) {
  name = ModuleNameOfProcess(processId);
}

std::wstring GetParentProcessName() {
  std::wstring result;
  fw::unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return result;
  const DWORD currentId = ::GetCurrentProcessId();

  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  if (!::Process32FirstW(snapshot.get(), &entry)) return result;
  do {
    if (entry.th32ProcessID == currentId) result = ModuleNameOfProcess(entry.th32ParentProcessID);
  } while (::Process32NextW(snapshot.get(), &entry));
  return result;
}

std::wstring GetLaunchingProductName() {
  return system_files::detail::LaunchingProductForExecutable(GetParentProcessName());
}
