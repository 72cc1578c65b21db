#include "tools/etctl_observe.h"

#include <shlobj.h>

#include <cwchar>

#include "elevated_tasks/command_text.h"
#include "elevated_tasks/elevated_tasks.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "framework/text.h"

namespace etctl {

namespace {

constexpr DWORD kSettleMs = 10000;

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD QueryServiceState() {
  const ServiceState service = ReadServiceState();
  return service.error == ERROR_SUCCESS ? service.state : 0;
}

bool IsPending(DWORD state) {
  return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
         state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

std::wstring ObserveService(bool settle) {
  DWORD state = QueryServiceState();
  const ULONGLONG deadline = ::GetTickCount64() + kSettleMs;
  while (settle && IsPending(state) && ::GetTickCount64() < deadline) {
    ::Sleep(100);
    state = QueryServiceState();
  }
  return state == 0 ? L"(no such service)" : ServiceStateName(state);
}

}  // namespace

FolderValueState ReadFolderValue(const wchar_t* valueName) {
  FolderValueState value;
  fw::unique_hkey key;
  LONG result =
      ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductSettingsKey, 0, KEY_QUERY_VALUE, key.put());
  if (result == ERROR_SUCCESS) {
    value.keyExists = true;
    DWORD size = 0;
    result = ::RegQueryValueExW(key.get(), valueName, nullptr, &value.type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
      // Room for the data and a NUL of our own, in case the data brings none.
      std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
      DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
      result = ::RegQueryValueExW(key.get(), valueName, nullptr, &value.type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &bytes);
      if (result == ERROR_SUCCESS) {
        value.valueExists = true;
        if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
          value.text = fw::BoundedText(buffer.data(), bytes / sizeof(wchar_t));
          value.folderExists = !value.text.empty() && FolderExists(value.text);
        }
        return value;
      }
    }
    value.type = REG_NONE;
  }
  if (result != ERROR_FILE_NOT_FOUND) value.error = static_cast<DWORD>(result);
  return value;
}

FileState ReadFileState(const std::wstring& path) {
  FileState file;
  file.path = path;
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) file.error = error;
    return file;
  }
  file.exists = true;
  file.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  file.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  file.modified = data.ftLastWriteTime;
  return file;
}

std::wstring TraceFolder(DWORD& error) {
  wchar_t roaming[MAX_PATH] = {};
  const HRESULT hr =
      ::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming);
  error = FAILED(hr) ? static_cast<DWORD>(hr) : ERROR_SUCCESS;
  return FAILED(hr) ? L"" : fw::BoundedText(roaming, MAX_PATH) + L"\\Quillforge";
}

ServiceState ReadServiceState() {
  ServiceState service;
  fw::unique_schandle manager = fw::OpenServiceManager(SC_MANAGER_CONNECT);
  if (!manager) {
    service.error = ::GetLastError();
    return service;
  }
  fw::unique_schandle handle(
      ::OpenServiceW(manager.get(), elevated::detail::kLauncherServiceName, SERVICE_QUERY_STATUS));
  if (!handle) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_SERVICE_DOES_NOT_EXIST) service.error = error;
    return service;
  }
  service.installed = true;
  SERVICE_STATUS status = {};
  if (!::QueryServiceStatus(handle.get(), &status)) {
    service.error = ::GetLastError();
    return service;
  }
  service.state = status.dwCurrentState;
  return service;
}

std::wstring UnreadableText(DWORD error) {
  return L"(unreadable: error " + std::to_wstring(error) + L")";
}

std::wstring FileTimeText(const FILETIME& time, wchar_t separator) {
  SYSTEMTIME utc = {};
  if (!::FileTimeToSystemTime(&time, &utc)) return L"(no time)";
  wchar_t text[32] = {};
  swprintf(text, 32, L"%04u-%02u-%02u%c%02u:%02u:%02u%ls", utc.wYear, utc.wMonth, utc.wDay,
           separator, utc.wHour, utc.wMinute, utc.wSecond, separator == L'T' ? L"Z" : L"");
  return text;
}

std::wstring DescribeFile(const FileState& file, bool withTime) {
  const std::wstring path = file.path.empty() ? L"" : file.path + L" ";
  if (file.error != ERROR_SUCCESS) return path + UnreadableText(file.error);
  if (!file.exists) return path + L"(missing)";
  if (file.isFolder) return path + L"(folder exists)";
  std::wstring text = path + L"(exists, " + std::to_wstring(file.size) + L" bytes";
  if (withTime) text += L", modified " + FileTimeText(file.modified, L' ') + L" UTC";
  return text + L")";
}

std::wstring DescribeFolderValue(bool keyExists, bool valueExists, DWORD type,
                                 const std::wstring& text, bool folderExists) {
  if (!keyExists) return L"(no key)";
  if (!valueExists) return L"(no value)";
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return L"(not a text: type " + std::to_wstring(type) + L")";
  if (text.empty()) return L"\"\" [names no folder]";
  return L"\"" + text + L"\" [folder " + (folderExists ? L"exists]" : L"missing]");
}

std::wstring DescribeFolderValue(const FolderValueState& value) {
  if (value.error != ERROR_SUCCESS) return UnreadableText(value.error);
  return DescribeFolderValue(value.keyExists, value.valueExists, value.type, value.text,
                             value.folderExists);
}

std::wstring ServiceStateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED:
      return L"stopped";
    case SERVICE_START_PENDING:
      return L"start pending";
    case SERVICE_STOP_PENDING:
      return L"stop pending";
    case SERVICE_RUNNING:
      return L"running";
    case SERVICE_CONTINUE_PENDING:
      return L"continue pending";
    case SERVICE_PAUSE_PENDING:
      return L"pause pending";
    case SERVICE_PAUSED:
      return L"paused";
  }
  return L"state " + std::to_wstring(state);
}

Observation Observe(uint32_t command, bool settle) {
  Observation observation;
  switch (command) {
    case XperfStart:
    case XperfStop: {
      DWORD error = ERROR_SUCCESS;
      const std::wstring folder = TraceFolder(error);
      observation.items.emplace_back(L"trace folder", DescribeFile(ReadFileState(folder), false));
      observation.items.emplace_back(
          L"trace file", DescribeFile(ReadFileState(folder + L"\\" + kTraceFileName), false));
      break;
    }
    case DebugDirCreate:
    case DebugDirDelete:
    case DebugDirSet:
      observation.items.emplace_back(L"DebugDir",
                                     DescribeFolderValue(ReadFolderValue(L"DebugDir")));
      break;
    case LNKAGTDebugDirCreate:
    case LNKAGTDebugDirDelete:
    case LNKAGTDebugDirSet:
      observation.items.emplace_back(L"LNKAGTDebugDir",
                                     DescribeFolderValue(ReadFolderValue(L"LNKAGTDebugDir")));
      break;
    case LauncherServiceRestart:
      observation.items.emplace_back(L"service CORVANTALauncher", ObserveService(settle));
      break;
    default:
      break;
  }
  return observation;
}

std::vector<std::wstring> DescribeChange(const Observation& before, const Observation& after) {
  std::vector<std::wstring> lines;
  for (size_t i = 0; i < after.items.size(); ++i) {
    const auto& [label, now] = after.items[i];
    const std::wstring was = i < before.items.size() ? before.items[i].second : L"(not seen)";
    lines.push_back(L"  " + label + L": " +
                    (was == now ? now + L" (unchanged)" : was + L" -> " + now));
  }
  return lines;
}

}  // namespace etctl
