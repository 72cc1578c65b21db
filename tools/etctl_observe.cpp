#include "tools/etctl_observe.h"

#include <shlobj.h>

#include "elevated_tasks/elevated_tasks.h"
#include "framework/handles.h"
#include "framework/text.h"

namespace etctl {

namespace {

constexpr wchar_t kServiceName[] = L"CORVANTALauncher";
constexpr DWORD kSettleMs = 10000;

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ObserveFolderValue(const wchar_t* valueName) {
  fw::unique_hkey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, ProductSettingsKey, 0, KEY_QUERY_VALUE, key.put()) !=
      ERROR_SUCCESS) {
    return DescribeFolderValue(false, false, REG_NONE, L"", false);
  }
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
    return DescribeFolderValue(true, false, REG_NONE, L"", false);
  }
  // Room for the data and a NUL of our own, in case the data brings none.
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
  DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), valueName, nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS) {
    return DescribeFolderValue(true, false, REG_NONE, L"", false);
  }
  const std::wstring text = fw::BoundedText(buffer.data(), bytes / sizeof(wchar_t));
  return DescribeFolderValue(true, true, type, text, !text.empty() && FolderExists(text));
}

DWORD QueryServiceState() {
  fw::unique_schandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return 0;
  fw::unique_schandle service(::OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
  SERVICE_STATUS status = {};
  if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
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

// The trace lands in the roaming application-data folder of the account
// ElevatedTasks runs under; for a consent prompt on the same account that is
// this user's. Looked up without creating anything.
std::wstring TraceFolder() {
  wchar_t roaming[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming))) {
    return L"";
  }
  return fw::BoundedText(roaming, MAX_PATH) + L"\\Quillforge";
}

std::wstring DescribeFile(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    return path + L" (missing)";
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return path + L" (folder exists)";
  const unsigned long long size =
      (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return path + L" (exists, " + std::to_wstring(size) + L" bytes)";
}

}  // namespace

std::wstring DescribeFolderValue(bool keyExists, bool valueExists, DWORD type,
                                 const std::wstring& text, bool folderExists) {
  if (!keyExists) return L"(no key)";
  if (!valueExists) return L"(no value)";
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    return L"(not a text: type " + std::to_wstring(type) + L")";
  if (text.empty()) return L"\"\" [names no folder]";
  return L"\"" + text + L"\" [folder " + (folderExists ? L"exists]" : L"missing]");
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
      const std::wstring folder = TraceFolder();
      observation.items.emplace_back(L"trace folder", DescribeFile(folder));
      observation.items.emplace_back(L"trace file", DescribeFile(folder + L"\\qlfvxPerfData.etl"));
      break;
    }
    case DebugDirCreate:
    case DebugDirDelete:
    case DebugDirSet:
      observation.items.emplace_back(L"DebugDir", ObserveFolderValue(L"DebugDir"));
      break;
    case LNKAGTDebugDirCreate:
    case LNKAGTDebugDirDelete:
    case LNKAGTDebugDirSet:
      observation.items.emplace_back(L"LNKAGTDebugDir", ObserveFolderValue(L"LNKAGTDebugDir"));
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
