#include "elevated_tasks/command_text.h"

#include <time.h>

#include <algorithm>
#include <cwchar>
#include <string_view>

#include "framework/text.h"

namespace elevated::detail {

std::wstring XperfStopParameters(const std::wstring& traceFolder, const std::wstring& traceFile) {
  std::wstring tracePath = traceFolder + L"\\" + traceFile;
  if (tracePath.find_first_of(L" \t") != std::wstring::npos) tracePath = L"\"" + tracePath + L"\"";
  return L"-stop -d " + tracePath;
}

namespace {

bool IsLocalAbsoluteFolder(const std::wstring& folder) {
  if (folder.size() < 2 || (folder[0] | 0x20) < L'a' || (folder[0] | 0x20) > L'z' ||
      folder[1] != L':')
    return false;
  for (size_t at = 2; at < folder.size();) {
    if (folder[at] != L'\\') return false;
    const size_t end = std::min(folder.find(L'\\', at + 1), folder.size());
    const std::wstring_view part(folder.data() + at + 1, end - at - 1);
    if (part.empty() || part == L"." || part == L"..") return false;
    for (const wchar_t unit : part) {
      if (unit < 0x20 || std::wcschr(L"/:*?\"<>|", unit)) return false;
    }
    at = end;
  }
  return true;
}

}  // namespace

std::optional<std::wstring> TrustedXperfPath(
    const std::optional<std::wstring>& kitsRoot, const std::wstring& systemFolder,
    const std::function<bool(const std::wstring&)>& isFile) {
  const auto below = [&](const std::wstring& data,
                         const wchar_t* file) -> std::optional<std::wstring> {
    std::wstring folder = data.substr(0, data.find(L'\0'));
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (!IsLocalAbsoluteFolder(folder)) return std::nullopt;
    std::wstring path = folder + file;
    if (path.size() >= MAX_PATH || !isFile(path)) return std::nullopt;
    return path;
  };
  if (kitsRoot) {
    if (auto path = below(*kitsRoot, L"\\Windows Performance Toolkit\\xperf.exe")) return path;
  }
  return below(systemFolder, L"\\xperf.exe");
}

std::wstring MessagePathText(const PipeMessage& message) {
  return fw::BoundedText(message.path, kPipePathUnits);
}

std::wstring TempFolderFromEnvironment(DWORD result, const wchar_t* buffer) {
  // A value too long for the buffer returns the size it needs and copies
  // nothing: the buffer's text would be stale or empty, so it counts as unset.
  if (result == 0 || result >= kEnvironmentBufferUnits) return kTempFallback;
  return fw::BoundedText(buffer, result);
}

std::wstring LogFolderName(uint32_t command, const std::wstring& stamp) {
  if (command == LNKAGTDebugDirCreate) return L"\\LNKAGT_Logs";
  return L"\\MySession_XML_Logs" + stamp;
}

const wchar_t* CommandValueName(uint32_t command) {
  switch (command) {
    case LNKAGTDebugDirCreate:
    case LNKAGTDebugDirDelete:
    case LNKAGTDebugDirSet:
      return L"LNKAGTDebugDir";
    default:
      return L"DebugDir";
  }
}

std::wstring CurrentTimeStamp() {
  const __time64_t now = ::_time64(nullptr);
  struct tm local = {};
  if (::_localtime64_s(&local, &now) != 0) return L"";
  wchar_t stamp[255] = {};
  const size_t length = ::wcsftime(stamp, 255, L"%y%m%d-%H%M%S", &local);
  return std::wstring(stamp, length);
}

}  // namespace elevated::detail
