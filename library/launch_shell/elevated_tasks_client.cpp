#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "framework/handles.h"
#include "library/launch_shell/elevated_tasks_client_check.h"
#include "library/launch_shell/elevated_launch_info.h"
#include "library/launch_shell/launch_shell.h"
#include "library/system_files/system_files.h"

namespace {

// A result without a server to name.
PipeClientResult Outcome(PipeClientStatus status, DWORD error) {
  PipeClientResult result;
  result.status = status;
  result.error = error;
  return result;
}

}  // namespace

namespace launch_shell::detail {

namespace {

// The full, long form of a path; the full form alone when the file cannot be
// found, and the empty text when not even that can be made.
std::wstring ComparablePath(const std::wstring& path) {
  if (path.empty()) return L"";
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return L"";
  full.resize(length);
  // A program started through its 8.3 name reports that name as its own
  // folder; the long form makes both sides alike.
  std::wstring longForm(full.size() + MAX_PATH, L'\0');
  const DWORD longLength =
      ::GetLongPathNameW(full.c_str(), longForm.data(), static_cast<DWORD>(longForm.size()));
  if (longLength == 0 || longLength >= longForm.size()) return full;
  longForm.resize(longLength);
  return longForm;
}

// The image of a process held open; empty when it cannot be read.
std::wstring ImageOf(HANDLE process) {
  std::wstring image(32768, L'\0');
  DWORD length = static_cast<DWORD>(image.size());
  if (!::QueryFullProcessImageNameW(process, 0, image.data(), &length)) return L"";
  image.resize(length);
  return image;
}

}  // namespace

bool SameImagePath(const std::wstring& expected, const std::wstring& actual) {
  const std::wstring left = ComparablePath(expected);
  return !left.empty() && fw::CompareNoCase(left, ComparablePath(actual)) == 0;
}

PipeClientStatus JudgeAttachedServer(const AttachedServerFacts& facts) {
  if (!facts.alive) return PipeClientStatus::ServerEnded;
  if (!facts.imageMatches) return PipeClientStatus::UnexpectedServer;
  if (!facts.elevationKnown || !facts.elevated) return PipeClientStatus::UnelevatedServer;
  return PipeClientStatus::Ok;
}

PipeClientResult CheckAttachedServer(HANDLE pipe, const std::wstring& expectedImage) {
  PipeClientResult result = Outcome(PipeClientStatus::UnexpectedServer, ERROR_SUCCESS);
  if (!::GetNamedPipeServerProcessId(pipe, &result.serverProcessId)) {
    result.error = ::GetLastError();
    result.serverProcessId = 0;
    return result;
  }
  // Held across every check, so that all of them ask one process: its id
  // cannot pass to another while this handle is open. The least access
  // that names an image and tells its end; Windows grants it across
  // integrity levels, so an unelevated client may ask an elevated server.
  fw::unique_handle server(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                         result.serverProcessId));
  if (!server) {
    result.error = ::GetLastError();
    return result;
  }
  AttachedServerFacts facts;
  result.serverImage = ImageOf(server.get());
  const DWORD imageError = result.serverImage.empty() ? ::GetLastError() : ERROR_SUCCESS;
  facts.imageMatches = SameImagePath(expectedImage, result.serverImage);
  fw::unique_handle token;
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  facts.elevationKnown =
      ::OpenProcessToken(server.get(), TOKEN_QUERY, token.put()) &&
      ::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size);
  const DWORD elevationError = facts.elevationKnown ? ERROR_SUCCESS : ::GetLastError();
  facts.elevated = facts.elevationKnown && elevation.TokenIsElevated != 0;
  facts.alive = ::WaitForSingleObject(server.get(), 0) == WAIT_TIMEOUT;
  result.status = JudgeAttachedServer(facts);
  if (result.status == PipeClientStatus::Ok) return {};
  if (result.status == PipeClientStatus::UnexpectedServer) result.error = imageError;
  if (result.status == PipeClientStatus::UnelevatedServer) result.error = elevationError;
  return result;
}

PipeClientResult CheckLaunchedServer(HANDLE pipe, HANDLE launched) {
  PipeClientResult result = Outcome(PipeClientStatus::UnexpectedServer, ERROR_SUCCESS);
  if (!::GetNamedPipeServerProcessId(pipe, &result.serverProcessId)) {
    result.error = ::GetLastError();
    result.serverProcessId = 0;
    return result;
  }
  // launched is held, so no other process can carry its id now. A launched
  // process that has ended may have left its pipe end to another.
  if (result.serverProcessId == ::GetProcessId(launched)) {
    if (::WaitForSingleObject(launched, 0) == WAIT_TIMEOUT) return {};
    result.status = PipeClientStatus::ServerEnded;
    return result;
  }
  // Only to name it in the refusal.
  fw::unique_handle server(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, result.serverProcessId));
  if (server) result.serverImage = ImageOf(server.get());
  return result;
}

PipeClientStatus CheckAcknowledgement(const void* bytes, size_t count) {
  if (bytes == nullptr || count != sizeof(PipeMessage)) {
    return PipeClientStatus::AcknowledgementMalformed;
  }
  uint32_t code = 0;
  std::memcpy(&code, bytes, sizeof(code));
  return code == Done ? PipeClientStatus::Ok : PipeClientStatus::AcknowledgementMalformed;
}

Transfer TransferBounded(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD timeoutMs,
                         DWORD& count, DWORD& error) {
  count = 0;
  error = ERROR_SUCCESS;
  fw::unique_handle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event) {
    error = ::GetLastError();
    return Transfer::Failed;
  }
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event.get();
  const BOOL started = write ? ::WriteFile(pipe, buffer, size, nullptr, &overlapped)
                             : ::ReadFile(pipe, buffer, size, nullptr, &overlapped);
  if (!started && ::GetLastError() != ERROR_IO_PENDING) {
    error = ::GetLastError();
    return Transfer::Failed;
  }
  bool timedOut = false;
  if (!started && ::WaitForSingleObject(event.get(), timeoutMs) == WAIT_TIMEOUT) {
    ::CancelIoEx(pipe, &overlapped);
    timedOut = true;
  }
  // Waits for the request to end, cancelled or not: the buffer and the
  // OVERLAPPED record must not be left to a request still in flight.
  if (!::GetOverlappedResult(pipe, &overlapped, &count, TRUE)) {
    error = ::GetLastError();
    if (timedOut && error == ERROR_OPERATION_ABORTED) return Transfer::TimedOut;
    return Transfer::Failed;
  }
  return Transfer::Done;
}

}  // namespace launch_shell::detail

const wchar_t* PipeClientStatusText(PipeClientStatus status) {
  switch (status) {
    case PipeClientStatus::Ok:
      return L"acknowledged";
    case PipeClientStatus::ServerNotFound:
      return L"no ElevatedTasks pipe appeared within the time-out";
    case PipeClientStatus::PipeBusy:
      return L"the ElevatedTasks pipe is busy: another client is connected";
    case PipeClientStatus::ConnectFailed:
      return L"the ElevatedTasks pipe could not be opened";
    case PipeClientStatus::ReadModeFailed:
      return L"the pipe could not be switched to message read mode";
    case PipeClientStatus::SendFailed:
      return L"the command could not be sent";
    case PipeClientStatus::AcknowledgementMissing:
      return L"no acknowledgement came back";
    case PipeClientStatus::AcknowledgementMalformed:
      return L"the acknowledgement was malformed";
    case PipeClientStatus::UnexpectedServer:
      return L"the ElevatedTasks pipe is not served by the expected program or process; nothing "
             L"was sent";
    case PipeClientStatus::UnelevatedServer:
      return L"the ElevatedTasks pipe is served by a process that does not run elevated; nothing "
             L"was sent";
    case PipeClientStatus::ServerEnded:
      return L"the ElevatedTasks process ended before it served the pipe; nothing was sent";
  }
  return L"unknown status";
}

bool BuildPipeMessage(uint32_t command, const std::wstring& path, PipeMessage& message) {
  if (path.size() >= kPipePathUnits || path.find(L'\0') != std::wstring::npos) return false;
  PipeMessage built = {};
  built.command = command;
  std::wmemcpy(built.path, path.data(), path.size());
  message = built;
  return true;
}

std::wstring DefaultElevatedTasksImage() {
  std::wstring ownFolder;
  GetOwnFolder(ownFolder);
  return launch_shell::detail::ElevatedTasksPathIn(ownFolder);
}

namespace {

// How long to rest between looks for a pipe, and for the launched server's end.
constexpr DWORD kPollIntervalMs = 50;

// Opens the pipe, waiting up to timeoutMs for it to appear or to free its
// instance; with a server process, gives up as soon as that process ends.
PipeClientResult OpenPipe(DWORD timeoutMs, HANDLE server, fw::unique_hfile& pipe) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    // Overlapped, so that every wait on the pipe can be bounded. Any process
    // may have created this name: a server may learn who we are, but never
    // act as us elsewhere on the machine.
    pipe.reset(::CreateFileW(kPipeName, kPipeClientAccess, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                             nullptr));
    if (pipe) return {};
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PIPE_BUSY) {
      return Outcome(PipeClientStatus::ConnectFailed, error);
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) {
      return Outcome(
          error == ERROR_PIPE_BUSY ? PipeClientStatus::PipeBusy : PipeClientStatus::ServerNotFound,
          error);
    }
    // A busy pipe is waited on until an instance frees up, a missing one
    // looked for again, in short slices so that the server's end is seen at
    // once. Never 0, which would mean the pipe's default time-out.
    const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kPollIntervalMs));
    const bool waited = error == ERROR_PIPE_BUSY && (::WaitNamedPipeW(kPipeName, slice) ||
                                                     ::GetLastError() == ERROR_SEM_TIMEOUT);
    if (server == nullptr) {
      if (!waited) ::Sleep(slice);
    } else if (::WaitForSingleObject(server, waited ? 0 : slice) == WAIT_OBJECT_0) {
      PipeClientResult ended = Outcome(PipeClientStatus::ServerEnded, ERROR_SUCCESS);
      ended.serverProcessId = ::GetProcessId(server);
      return ended;
    }
  }
}

// The server has passed its check: only now does it see anything from us.
PipeClientResult UseMessageMode(fw::unique_hfile& pipe) {
  DWORD mode = PIPE_READMODE_MESSAGE;
  if (::SetNamedPipeHandleState(pipe.get(), &mode, nullptr, nullptr)) return {};
  const DWORD error = ::GetLastError();
  pipe.reset();
  return Outcome(PipeClientStatus::ReadModeFailed, error);
}

}  // namespace

PipeClientResult ConnectLaunchedElevatedTasks(HANDLE process, DWORD timeoutMs,
                                              fw::unique_hfile& pipe) {
  PipeClientResult result = OpenPipe(timeoutMs, process, pipe);
  if (result.ok()) result = launch_shell::detail::CheckLaunchedServer(pipe.get(), process);
  if (!result.ok()) {
    pipe.reset();
    return result;
  }
  return UseMessageMode(pipe);
}

PipeClientResult ConnectElevatedTasks(DWORD timeoutMs, fw::unique_hfile& pipe,
                                      const std::wstring& serverImage) {
  PipeClientResult result = OpenPipe(timeoutMs, nullptr, pipe);
  if (result.ok()) {
    result = launch_shell::detail::CheckAttachedServer(
        pipe.get(), serverImage.empty() ? DefaultElevatedTasksImage() : serverImage);
  }
  if (!result.ok()) {
    pipe.reset();
    return result;
  }
  return UseMessageMode(pipe);
}

PipeClientResult SendElevatedCommand(HANDLE pipe, const PipeMessage& message, DWORD ackTimeoutMs) {
  PipeMessage outgoing = message;
  DWORD count = 0;
  DWORD error = ERROR_SUCCESS;
  using launch_shell::detail::Transfer;
  using launch_shell::detail::TransferBounded;
  const Transfer sent =
      TransferBounded(pipe, true, &outgoing, sizeof(outgoing), ackTimeoutMs, count, error);
  if (sent != Transfer::Done || count != sizeof(outgoing)) {
    return Outcome(PipeClientStatus::SendFailed, sent == Transfer::TimedOut ? WAIT_TIMEOUT : error);
  }

  // Exactly one message's room: a longer reply fails with ERROR_MORE_DATA.
  PipeMessage reply = {};
  const Transfer received =
      TransferBounded(pipe, false, &reply, sizeof(reply), ackTimeoutMs, count, error);
  if (received == Transfer::TimedOut)
    return Outcome(PipeClientStatus::AcknowledgementMissing, WAIT_TIMEOUT);
  if (received == Transfer::Failed) {
    if (error == ERROR_MORE_DATA) return Outcome(PipeClientStatus::AcknowledgementMalformed, error);
    return Outcome(PipeClientStatus::AcknowledgementMissing, error);
  }
  // A zero-byte message is no acknowledgement, just as the server treats it.
  if (count == 0) return Outcome(PipeClientStatus::AcknowledgementMissing, ERROR_SUCCESS);
  return Outcome(launch_shell::detail::CheckAcknowledgement(&reply, count), ERROR_SUCCESS);
}

PipeClientResult SendOneElevatedCommand(const PipeMessage& message, DWORD connectTimeoutMs,
                                        DWORD ackTimeoutMs, const std::wstring& serverImage) {
  fw::unique_hfile pipe;
  const PipeClientResult connected = ConnectElevatedTasks(connectTimeoutMs, pipe, serverImage);
  if (!connected.ok()) return connected;
  return SendElevatedCommand(pipe.get(), message, ackTimeoutMs);
}
