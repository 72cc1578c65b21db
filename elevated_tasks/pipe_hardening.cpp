#include "elevated_tasks/pipe_hardening.h"

#include <cstdio>
#include <string>

#include "elevated_tasks/elevated_tasks.h"

namespace elevated {

namespace {

void PrintLine(const std::wstring& line) {
  ::wprintf(L"%ls\n", line.c_str());
  // The console is hidden and may be a pipe: the line must be out before
  // the process is ended from outside.
  ::fflush(stdout);
}

}  // namespace

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

bool ConnectLauncherOnly(HANDLE pipe, DWORD launcherId) {
  for (;;) {
    if (!::ConnectNamedPipe(pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
      return false;
    }
    ULONG clientId = 0;
    if (::GetNamedPipeClientProcessId(pipe, &clientId) && clientId == launcherId) return true;
    PrintLine(L"Refused pipe client: process " + std::to_wstring(clientId) +
              L" is not the launching process " + std::to_wstring(launcherId));
    // Unread: whatever it sent is dropped with the connection.
    if (!::DisconnectNamedPipe(pipe)) return false;
  }
}

}  // namespace elevated
