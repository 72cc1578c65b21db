// qlfvxETctl.exe: drives ElevatedTasks from the command line, for support
// engineers and scripts. Ships beside qlfvxET.exe.

#include <windows.h>

#include <string>
#include <vector>

#include "elevated_tasks/elevated_tasks.h"
#include "framework/app.h"
#include "framework/handles.h"
#include "library/launch_shell/launch_shell.h"
#include "tools/etctl_arguments.h"
#include "tools/etctl_observe.h"
#include "tools/etctl_status.h"

namespace {

// Console windows get UTF-16; redirected output gets UTF-8, so that paths
// outside the ANSI code page survive a pipe or a file.
void Write(DWORD which, const std::wstring& text) {
  const HANDLE handle = ::GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (::GetConsoleMode(handle, &mode)) {
    ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                        nullptr, nullptr);
  ::WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void Out(const std::wstring& line) { Write(STD_OUTPUT_HANDLE, line + L"\n"); }
void Err(const std::wstring& line) { Write(STD_ERROR_HANDLE, line + L"\n"); }

std::wstring Failure(const PipeClientResult& result) {
  std::wstring text = PipeClientStatusText(result.status);
  if (result.error != ERROR_SUCCESS) text += L" (error " + std::to_wstring(result.error) + L")";
  return text;
}

// Who was found on the pipe instead of the expected program.
std::wstring ServerMismatch(const PipeClientResult& result, const std::wstring& expected) {
  const std::wstring error = L" (error " + std::to_wstring(result.error) + L")";
  if (result.serverProcessId == 0) {
    return L"qlfvxETctl: the process serving the ElevatedTasks pipe cannot be identified" + error +
           L"; nothing was sent";
  }
  std::wstring text = L"qlfvxETctl: the ElevatedTasks pipe is served by process " +
                      std::to_wstring(result.serverProcessId) + L" ";
  text += result.serverImage.empty() ? L"whose image cannot be read" + error
                                     : L"\"" + result.serverImage + L"\"";
  return text + L", not by \"" + expected + L"\"; nothing was sent";
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
  // First of all: it lies beside ElevatedTasks, in a folder a user may write to.
  if (!fw::LoadDllsFromSystem32Only()) return 1;
  const std::vector<std::wstring> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && arguments.front() == L"status") {
    const etctl::StatusRequest request =
        etctl::ParseStatusArguments({arguments.begin() + 1, arguments.end()});
    if (!request.ok) {
      Err(L"qlfvxETctl: " + request.error + L"\n");
      Write(STD_ERROR_HANDLE, etctl::UsageText() + etctl::StatusUsageText());
      return 2;
    }
    const etctl::StatusReport report = etctl::ObserveStatus();
    Write(STD_OUTPUT_HANDLE, request.json ? etctl::StatusJson(report) : etctl::StatusText(report));
    const std::vector<std::wstring> failures = etctl::StatusFailures(report);
    for (const std::wstring& failure : failures) Err(L"qlfvxETctl: could not read " + failure);
    return failures.empty() ? 0 : 1;
  }
  const etctl::ParseResult parsed = etctl::ParseArguments(arguments);
  if (!parsed.ok) {
    Err(L"qlfvxETctl: " + parsed.error + L"\n");
    Write(STD_ERROR_HANDLE, etctl::UsageText() + etctl::StatusUsageText());
    return 2;
  }
  const etctl::Options& options = parsed.options;
  if (options.help) {
    Write(STD_OUTPUT_HANDLE, etctl::UsageText() + etctl::StatusUsageText());
    return 0;
  }

  if (!options.attach) {
    const std::wstring ownId = std::to_wstring(::GetCurrentProcessId());
    LaunchElevatedTasks(ownId);
    Out(L"Launched qlfvxET.exe (runas) for process " + ownId);
  }
  fw::unique_hfile pipe;
  const PipeClientResult connected =
      ConnectElevatedTasks(options.connectTimeoutMs, pipe, options.serverImage);
  if (connected.status == PipeClientStatus::UnexpectedServer) {
    Err(ServerMismatch(connected, options.serverImage.empty() ? DefaultElevatedTasksImage()
                                                              : options.serverImage));
    return 1;
  }
  if (!connected.ok()) {
    Err(L"qlfvxETctl: " + Failure(connected) + L" [" + std::to_wstring(options.connectTimeoutMs) +
        L" ms]");
    return 1;
  }
  Out(std::wstring(L"Connected to ") + kPipeName);

  for (const etctl::Step& step : options.steps) {
    PipeMessage message = {};
    if (!BuildPipeMessage(step.command, step.path, message)) {
      Err(L"qlfvxETctl: " + step.word + L": the path does not fit the message");
      return 2;
    }
    const etctl::Observation before = etctl::Observe(step.command, false);
    const PipeClientResult sent = SendElevatedCommand(pipe.get(), message, options.ackTimeoutMs);
    if (!sent.ok()) {
      Err(L"qlfvxETctl: " + step.word + L" (code " + std::to_wstring(step.command) + L"): " +
          Failure(sent));
      return 1;
    }
    std::wstring heading = L"> " + step.word;
    if (!step.path.empty()) heading += L" \"" + step.path + L"\"";
    if (step.word.rfind(L"code ", 0) != 0)
      heading += L" (code " + std::to_wstring(step.command) + L")";
    Out(heading + L": acknowledged");
    const etctl::Observation after = etctl::Observe(step.command, true);
    for (const std::wstring& line : etctl::DescribeChange(before, after)) Out(line);
  }
  // Closing the pipe ends ElevatedTasks, if quit has not already.
  return 0;
}
