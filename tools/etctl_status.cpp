#include "tools/etctl_status.h"

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <utility>

#include "elevated_tasks/command_text.h"
#include "elevated_tasks/elevated_tasks.h"

namespace etctl {

namespace {

PipeState ReadPipeState() {
  PipeState pipe;
  // Waiting never connects. It answers at once while an instance listens, and
  // after the 1 ms when the one instance is taken.
  if (::WaitNamedPipeW(kPipeName, 1)) {
    pipe.exists = true;
    return pipe;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_SEM_TIMEOUT || error == ERROR_PIPE_BUSY) {
    pipe.exists = true;
    pipe.busy = true;
  } else if (error != ERROR_FILE_NOT_FOUND) {
    pipe.error = error;
  }
  return pipe;
}

std::wstring ServiceText(const ServiceState& service) {
  if (service.error != ERROR_SUCCESS) return UnreadableText(service.error);
  return service.installed ? ServiceStateName(service.state) : L"not installed";
}

std::wstring PipeText(const PipeState& pipe) {
  if (pipe.error != ERROR_SUCCESS) return UnreadableText(pipe.error);
  if (!pipe.exists) return L"absent";
  return pipe.busy ? L"present, a client is connected" : L"present, waiting for a client";
}

std::wstring JsonBool(bool value) { return value ? L"true" : L"false"; }

std::wstring JsonError(DWORD error) { return L"\"error\":" + std::to_wstring(error); }

std::wstring JsonFolderValue(const FolderValueState& value) {
  if (value.error != ERROR_SUCCESS)
    return L"{\"state\":\"unreadable\"," + JsonError(value.error) + L"}";
  if (!value.keyExists) return L"{\"state\":\"no key\"}";
  if (!value.valueExists) return L"{\"state\":\"no value\"}";
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
    return L"{\"state\":\"not a text\",\"type\":" + std::to_wstring(value.type) + L"}";
  return L"{\"state\":\"set\",\"data\":" + JsonString(value.text) + L",\"folderExists\":" +
         JsonBool(value.folderExists) + L"}";
}

std::wstring JsonFile(const FileState& file) {
  std::wstring json = L"{\"path\":" + JsonString(file.path);
  if (file.error != ERROR_SUCCESS) return json + L"," + JsonError(file.error) + L"}";
  json += L",\"exists\":" + JsonBool(file.exists);
  if (file.exists && file.isFolder) json += L",\"folder\":true";
  if (file.exists && !file.isFolder) {
    json += L",\"size\":" + std::to_wstring(file.size) + L",\"modified\":\"" +
            FileTimeText(file.modified, L'T') + L"\"";
  }
  return json + L"}";
}

}  // namespace

StatusReport ObserveStatus() {
  StatusReport report;
  report.debugDir = ReadFolderValue(L"DebugDir");
  report.lnkagtDebugDir = ReadFolderValue(L"LNKAGTDebugDir");
  DWORD error = ERROR_SUCCESS;
  const std::wstring folder = TraceFolder(error);
  if (error == ERROR_SUCCESS) {
    report.traceFolder = ReadFileState(folder);
    report.traceFile = ReadFileState(folder + L"\\" + kTraceFileName);
  } else {
    report.traceFolder.error = error;
    report.traceFile.error = error;
  }
  report.service = ReadServiceState();
  report.pipe = ReadPipeState();
  return report;
}

std::vector<std::wstring> StatusFailures(const StatusReport& report) {
  std::vector<std::wstring> failures;
  const std::pair<const wchar_t*, DWORD> looks[] = {
      {L"DebugDir", report.debugDir.error},
      {L"LNKAGTDebugDir", report.lnkagtDebugDir.error},
      {L"the trace folder", report.traceFolder.error},
      {L"the trace file", report.traceFile.error},
      {L"the service CORVANTALauncher", report.service.error},
      {L"the pipe", report.pipe.error},
  };
  for (const auto& [what, error] : looks) {
    if (error != ERROR_SUCCESS)
      failures.push_back(std::wstring(what) + L": error " + std::to_wstring(error));
  }
  return failures;
}

std::wstring StatusText(const StatusReport& report) {
  return L"DebugDir: " + DescribeFolderValue(report.debugDir) + L"\n" + L"LNKAGTDebugDir: " +
         DescribeFolderValue(report.lnkagtDebugDir) + L"\n" + L"trace folder: " +
         DescribeFile(report.traceFolder, false) + L"\n" + L"trace file: " +
         DescribeFile(report.traceFile, true) + L"\n" + L"service " +
         elevated::detail::kLauncherServiceName + L": " + ServiceText(report.service) + L"\n" +
         L"pipe " + kPipeName + L": " + PipeText(report.pipe) + L"\n";
}

std::wstring StatusJson(const StatusReport& report) {
  std::wstring json = L"{\"DebugDir\":" + JsonFolderValue(report.debugDir) +
                      L",\"LNKAGTDebugDir\":" + JsonFolderValue(report.lnkagtDebugDir) +
                      L",\"traceFolder\":" + JsonFile(report.traceFolder) + L",\"traceFile\":" +
                      JsonFile(report.traceFile) + L",\"service\":{\"name\":" +
                      JsonString(elevated::detail::kLauncherServiceName);
  if (report.service.error != ERROR_SUCCESS) {
    json += L"," + JsonError(report.service.error);
  } else {
    json += L",\"installed\":" + JsonBool(report.service.installed);
    if (report.service.installed)
      json += L",\"state\":" + JsonString(ServiceStateName(report.service.state));
  }
  json += L"},\"pipe\":{\"name\":" + JsonString(kPipeName);
  if (report.pipe.error != ERROR_SUCCESS) {
    json += L"," + JsonError(report.pipe.error);
  } else {
    json +=
        L",\"exists\":" + JsonBool(report.pipe.exists) + L",\"busy\":" + JsonBool(report.pipe.busy);
  }
  json += L"},\"failures\":[";
  const std::vector<std::wstring> failures = StatusFailures(report);
  for (size_t i = 0; i < failures.size(); ++i) json += (i ? L"," : L"") + JsonString(failures[i]);
  return json + L"]}\n";
}

std::wstring JsonString(const std::wstring& text) {
  static constexpr std::pair<wchar_t, const wchar_t*> kShortEscapes[] = {
      {L'"', L"\\\""}, {L'\\', L"\\\\"}, {L'\n', L"\\n"}, {L'\r', L"\\r"}, {L'\t', L"\\t"}};
  std::wstring json = L"\"";
  for (const wchar_t unit : text) {
    const auto* shortEscape = std::find_if(std::begin(kShortEscapes), std::end(kShortEscapes),
                                           [unit](const auto& e) { return e.first == unit; });
    if (shortEscape != std::end(kShortEscapes)) {
      json += shortEscape->second;
    } else if (unit >= 0x20 && unit < 0x7F) {
      json += unit;
    } else {
      // One escape per UTF-16 unit, so surrogate pairs come out as pairs.
      wchar_t escape[8] = {};
      swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(unit));
      json += escape;
    }
  }
  return json + L"\"";
}

StatusRequest ParseStatusArguments(const std::vector<std::wstring>& words) {
  StatusRequest request;
  for (const std::wstring& word : words) {
    if (word != L"--json") {
      request.error = L"status: unknown option: " + word;
      return request;
    }
    request.json = true;
  }
  request.ok = true;
  return request;
}

std::wstring StatusUsageText() {
  return L"\n"
         L"usage: qlfvxETctl status [--json]\n"
         L"\n"
         L"Shows, without ElevatedTasks and without elevation, what the commands change:\n"
         L"DebugDir and LNKAGTDebugDir with whether their folders exist, the trace folder\n"
         L"and qlfvxPerfData.etl, the service CORVANTALauncher, and whether the pipe\n"
         L"exists now. --json prints the same as one JSON object. Exit codes: 0 everything\n"
         L"could be read, 1 something could not (named on the error output), 2 wrong usage.\n";
}

}  // namespace etctl
