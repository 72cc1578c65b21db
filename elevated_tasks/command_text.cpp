#include "elevated_tasks/command_text.h"

#include <time.h>

#include <cwchar>

#include "framework/text.h"

namespace elevated::detail {

std::wstring XperfStopParameters(const std::wstring& traceFolder, const std::wstring& traceFile) {
  std::wstring tracePath = traceFolder + L"\\" + traceFile;
  if (tracePath.find_first_of(L" \t") != std::wstring::npos) tracePath = L"\"" + tracePath + L"\"";
  return L"-stop -d " + tracePath;
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
