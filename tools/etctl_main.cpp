// qlfvxETctl.exe: drives ElevatedTasks from the command line, for support
// engineers and scripts. Ships beside qlfvxET.exe.

#include <windows.h>

#include <string>
#include <vector>

#include "elevated_tasks/pipe_protocol.h"
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

// Why the server found on the pipe was refused, in one line; empty when it
// was not. launchedId is the process this program launched, 0 when attached.
std::wstring Refusal(const PipeClientResult& result, const std::wstring& expected,
                     DWORD launchedId) {
  const std::wstring error = L" (error " + std::to_wstring(result.error) + L")";
  const std::wstring server = L"process " + std::to_wstring(result.serverProcessId);
  const std::wstring image = L"\"" + result.serverImage + L"\"";
  std::wstring text;
  switch (result.status) {
    case PipeClientStatus::ServerEnded:
      text = launchedId != 0
                 ? L"the launched ElevatedTasks (process " + std::to_wstring(launchedId) +
                       L") ended before it served the pipe"
                 : server + L", which served the ElevatedTasks pipe, has ended";
      break;
    case PipeClientStatus::UnelevatedServer:
      text = L"the ElevatedTasks pipe is served by " + server + L" " + image +
             (result.error == ERROR_SUCCESS ? L", which does not run elevated"
                                            : L", whose elevation cannot be read" + error);
      break;
    case PipeClientStatus::UnexpectedServer:
      if (result.serverProcessId == 0) {
        text = L"the process serving the ElevatedTasks pipe cannot be identified" + error;
        break;
      }
      text = L"the ElevatedTasks pipe is served by " + server + L" ";
      if (launchedId != 0) {
        text += (result.serverImage.empty() ? L"" : image + L", ") + L"not by process " +
                std::to_wstring(launchedId) + L" that qlfvxETctl launched";
      } else {
        text += (result.serverImage.empty() ? L"whose image cannot be read" + error : image) +
                L", not by \"" + expected + L"\"";
      }
      break;
    default:
      return L"";
  }
  return L"qlfvxETctl: " + text + L"; nothing was sent";
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

  // Launched, the program is whatever the user named, and the pipe must be
  // served by that very process; attached, by a process running that image.
  const std::wstring image =
      options.serverImage.empty() ? DefaultElevatedTasksImage() : options.serverImage;
  fw::unique_handle launched;
  if (!options.attach) {
    const std::wstring ownId = std::to_wstring(::GetCurrentProcessId());
    const DWORD error = LaunchElevatedTasksProcess(ownId, launched, image);
    if (error != ERROR_SUCCESS) {
      Err(L"qlfvxETctl: \"" + image + L"\" could not be launched (error " + std::to_wstring(error) +
          L"); nothing was sent");
      return 3;
    }
    Out(L"Launched \"" + image + L"\" (runas) as process " +
        std::to_wstring(::GetProcessId(launched.get())) + L" for process " + ownId);
  }
  fw::unique_hfile pipe;
  const PipeClientResult connected =
      launched ? ConnectLaunchedElevatedTasks(launched.get(), options.connectTimeoutMs, pipe)
               : ConnectElevatedTasks(options.connectTimeoutMs, pipe, image);
  const std::wstring refusal =
      Refusal(connected, image, launched ? ::GetProcessId(launched.get()) : 0);
  if (!refusal.empty()) {
    Err(refusal);
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
