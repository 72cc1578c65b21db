#include <memory>

#include "elevated_tasks/pipe_hardening.h"
#include "elevated_tasks/server.h"
#include "framework/handles.h"

namespace {

fw::unique_hfile CreateOpenPipe() {
  // A present, null DACL: the unelevated tool of any account may connect.
  SECURITY_DESCRIPTOR descriptor = {};
  ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, TRUE};
  return fw::unique_hfile(::CreateNamedPipeW(
      kPipeName, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
      PIPE_UNLIMITED_INSTANCES, 0, sizeof(PipeMessage), 0, &attributes));
}

// The first client to connect.
bool ConnectAnyClient(HANDLE pipe) {
  return ::ConnectNamedPipe(pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED;
}

}  // namespace

namespace elevated {

DWORD WINAPI PipeServerThread(LPVOID parameter) {
  const std::unique_ptr<PipeServerContext> context(static_cast<PipeServerContext*>(parameter));
  const PipeServerContext none;
  const PipeServerContext& with = context ? *context : none;
  const bool hardened = with.policy.hardenedPipe;
  fw::unique_hfile pipe = hardened ? CreateHardenedPipe(with.launcherUserSid) : CreateOpenPipe();
  if (!pipe) return 0xFFFFFFFF;

  // The hardened wait for the launcher may refuse clients for as long as it
  // likes: the main thread still ends the program with the launcher.
  const bool connected =
      hardened ? ConnectLauncherOnly(pipe.get(), with.launcherId) : ConnectAnyClient(pipe.get());
  if (!connected) return 0;

  for (;;) {
    // Cleared before every read: a short message means its own bytes, zero
    // after them, and never what an earlier message left behind.
    PipeMessage received = {};
    DWORD bytesRead = 0;
    // A message over 524 bytes fails here with ERROR_MORE_DATA and is dropped.
    if (!::ReadFile(pipe.get(), &received, sizeof(received), &bytesRead, nullptr) ||
        bytesRead == 0) {
      break;
    }

    const PipeMessage work = received;
    DispatchCommand(work, with.policy);

    PipeMessage acknowledgement = AcknowledgementMessage();
    DWORD bytesWritten = 0;
    ::WriteFile(pipe.get(), &acknowledgement, sizeof(acknowledgement), &bytesWritten, nullptr);

    // Reports ERROR_PIPE_CONNECTED while the client stays; once it has gone
    // the next read fails and ends the service.
    ::ConnectNamedPipe(pipe.get(), nullptr);

    if (received.command == Quit) {
      // The process ends right after; the client may still be reading the
      // acknowledgement, so the pipe is left for the process end to close.
      pipe.release();
      return 0;
    }
  }

  ::DisconnectNamedPipe(pipe.get());
  return 0xFFFFFFFF;
}

}  // namespace elevated
