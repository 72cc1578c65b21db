#include "tools/etctl_status.h"

#include <nlohmann/json.hpp>

#include <string>
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

// Insertion order, so that the fields read in the order of the text form.
using Json = nlohmann::ordered_json;

// UTF-16 to UTF-8 by hand, so that what a lone surrogate becomes (a path may
// hold one) is decided here and alike on every system: U+FFFD. The text is
// thus always valid UTF-8, and the JSON writer never meets bytes it would
// throw on.
std::string Utf8(const std::wstring& text) {
  static constexpr char32_t kLeadBits[] = {0, 0xC0, 0xE0, 0xF0};  // by trailing bytes
  std::string utf8;
  utf8.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    const bool pair = code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() &&
                      text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    if (pair) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    const int tail = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    utf8 += static_cast<char>(kLeadBits[tail] | (code >> (6 * tail)));
    for (int shift = 6 * (tail - 1); shift >= 0; shift -= 6)
      utf8 += static_cast<char>(0x80 | ((code >> shift) & 0x3F));
  }
  return utf8;
}

Json FolderValueJson(const FolderValueState& value) {
  if (value.error != ERROR_SUCCESS)
    return Json::object({{"state", "unreadable"}, {"error", value.error}});
  if (!value.keyExists) return Json::object({{"state", "no key"}});
  if (!value.valueExists) return Json::object({{"state", "no value"}});
  if (value.type != REG_SZ && value.type != REG_EXPAND_SZ)
    return Json::object({{"state", "not a text"}, {"type", value.type}});
  return Json::object(
      {{"state", "set"}, {"data", Utf8(value.text)}, {"folderExists", value.folderExists}});
}

Json FileJson(const FileState& file) {
  Json json = Json::object({{"path", Utf8(file.path)}});
  if (file.error != ERROR_SUCCESS) {
    json["error"] = file.error;
    return json;
  }
  json["exists"] = file.exists;
  if (file.exists && file.isFolder) json["folder"] = true;
  if (file.exists && !file.isFolder) {
    json["size"] = file.size;
    json["modified"] = Utf8(FileTimeText(file.modified, L'T'));
  }
  return json;
}

Json ServiceJson(const ServiceState& service) {
  Json json = Json::object({{"name", Utf8(elevated::detail::kLauncherServiceName)}});
  if (service.error != ERROR_SUCCESS) {
    json["error"] = service.error;
    return json;
  }
  json["installed"] = service.installed;
  if (service.installed) json["state"] = Utf8(ServiceStateName(service.state));
  return json;
}

Json PipeJson(const PipeState& pipe) {
  Json json = Json::object({{"name", Utf8(kPipeName)}});
  if (pipe.error != ERROR_SUCCESS) {
    json["error"] = pipe.error;
  } else {
    json["exists"] = pipe.exists;
    json["busy"] = pipe.busy;
  }
  return json;
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
  Json failures = Json::array();
  for (const std::wstring& failure : StatusFailures(report)) failures.push_back(Utf8(failure));
  const Json json = Json::object({{"DebugDir", FolderValueJson(report.debugDir)},
                                  {"LNKAGTDebugDir", FolderValueJson(report.lnkagtDebugDir)},
                                  {"traceFolder", FileJson(report.traceFolder)},
                                  {"traceFile", FileJson(report.traceFile)},
                                  {"service", ServiceJson(report.service)},
                                  {"pipe", PipeJson(report.pipe)},
                                  {"failures", std::move(failures)}});
  // ASCII only (ensure_ascii): no code page can change it. Every string in it
  // is valid UTF-8 already; the replacing handler only keeps dump from ever
  // throwing should that change.
  const std::string text = json.dump(-1, ' ', true, Json::error_handler_t::replace);
  return std::wstring(text.begin(), text.end()) + L"\n";
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
