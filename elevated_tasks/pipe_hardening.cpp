#include "elevated_tasks/pipe_hardening.h"

#include <cstdio>
#include <string>
#include <utility>

#include "elevated_tasks/elevated_tasks.h"
#include "elevated_tasks/server.h"

namespace elevated {

std::vector<BYTE> ProcessUserSid(HANDLE process) {
  fw::unique_handle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::vector<BYTE> information(size);
  if (size == 0 || !::GetTokenInformation(token.get(), TokenUser, information.data(), size, &size))
    return {};
  const PSID sid = reinterpret_cast<const TOKEN_USER*>(information.data())->User.Sid;
  std::vector<BYTE> copy(::GetLengthSid(sid));
  if (!::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) return {};
  return copy;
}

std::vector<BYTE> BuildHardenedPipeAcl(PSID user) {
  BYTE system[SECURITY_MAX_SID_SIZE];
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD systemSize = sizeof(system);
  DWORD administratorsSize = sizeof(administrators);
  if (user == nullptr || !::IsValidSid(user) ||
      !::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize) ||
      !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators,
                            &administratorsSize)) {
    return {};
  }
  const PSID grantees[] = {user, system, administrators};
  DWORD size = sizeof(ACL);
  for (const PSID sid : grantees) {
    size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + ::GetLengthSid(sid);
  }
  std::vector<BYTE> acl(size);
  const PACL list = reinterpret_cast<PACL>(acl.data());
  if (!::InitializeAcl(list, size, ACL_REVISION)) return {};
  for (const PSID sid : grantees) {
    if (!::AddAccessAllowedAce(list, ACL_REVISION, kHardenedPipeAccess, sid)) return {};
  }
  return acl;
}

fw::unique_hfile CreateHardenedPipe(const std::vector<BYTE>& launcherUserSid) {
  // A copy: the ACL is built from a SID the call may not change.
  std::vector<BYTE> user = launcherUserSid;
  std::vector<BYTE> acl = BuildHardenedPipeAcl(user.empty() ? nullptr : PSID(user.data()));
  SECURITY_DESCRIPTOR descriptor = {};
  if (acl.empty() || !::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !::SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE)) {
    PrintLine(L"Pipe security cannot be built (error " + std::to_wstring(::GetLastError()) +
              L"); nothing is served");
    return {};
  }
  // Not inheritable: a program started by a command gets no handle to it.
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
  fw::unique_hfile pipe(::CreateNamedPipeW(
      kPipeName, PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
      sizeof(PipeMessage), 0, &attributes));
  if (pipe) {
    // Windows refuses a first instance beside an existing one; a system that
    // does not still counts every instance of the name. One that cannot be
    // counted is not trusted either.
    DWORD instances = 0;
    if (!::GetNamedPipeHandleStateW(pipe.get(), nullptr, &instances, nullptr, nullptr, nullptr,
                                    0)) {
      return {};
    }
    if (instances == 1) return pipe;
  } else {
    const DWORD error = ::GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_PIPE_BUSY) return {};
  }
  PrintLine(std::wstring(L"Pipe name taken: ") + kPipeName + L" exists already; nothing is served");
  return {};
}

ClientVerdict JudgeClient(DWORD connectError, std::optional<ULONG> clientId, DWORD launcherId) {
  switch (connectError) {
    case ERROR_SUCCESS:
    case ERROR_PIPE_CONNECTED:
      return clientId == launcherId ? ClientVerdict::Serve : ClientVerdict::Refuse;
    case ERROR_NO_DATA:
    case ERROR_BROKEN_PIPE:
    case ERROR_PIPE_NOT_CONNECTED:
      return ClientVerdict::Refuse;
    default:
      return ClientVerdict::StopWaiting;
  }
}

std::optional<uint32_t> AdmitRefusalLine(RefusalLineLimit& limit, uint64_t nowMs) {
  if (limit.lastPrintedMs && nowMs - *limit.lastPrintedMs < 1000) {
    ++limit.leftOut;
    return std::nullopt;
  }
  limit.lastPrintedMs = nowMs;
  return std::exchange(limit.leftOut, 0);
}

bool ConnectLauncherOnly(HANDLE pipe, DWORD launcherId) {
  RefusalLineLimit limit;
  for (;;) {
    const DWORD error = ::ConnectNamedPipe(pipe, nullptr) ? ERROR_SUCCESS : ::GetLastError();
    ULONG id = 0;
    std::optional<ULONG> clientId;
    if ((error == ERROR_SUCCESS || error == ERROR_PIPE_CONNECTED) &&
        ::GetNamedPipeClientProcessId(pipe, &id)) {
      clientId = id;
    }
    const ClientVerdict verdict = JudgeClient(error, clientId, launcherId);
    if (verdict != ClientVerdict::Refuse) {
      // The count of the last second's flood, or it would never be told.
      if (limit.leftOut != 0) {
        PrintLine(L"Refused pipe clients: " + std::to_wstring(limit.leftOut) +
                  L" more refused since the last line");
      }
      return verdict == ClientVerdict::Serve;
    }
    if (const auto leftOut = AdmitRefusalLine(limit, ::GetTickCount64())) {
      const std::wstring why = clientId ? L"process " + std::to_wstring(*clientId) +
                                              L" is not the launching process " +
                                              std::to_wstring(launcherId)
                                        : L"a client left before it could be identified";
      PrintLine(L"Refused pipe client: " + why +
                (*leftOut
                     ? L" (" + std::to_wstring(*leftOut) + L" more refused since the last line)"
                     : L""));
    }
    // Unread: whatever it sent is dropped with the connection.
    if (!::DisconnectNamedPipe(pipe)) return false;
  }
}

}  // namespace elevated
