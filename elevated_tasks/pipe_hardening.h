#pragma once
// The hardened pipe (ServerPolicy::hardenedPipe): one local pipe instance,
// read and write for the launcher's user, SYSTEM and Administrators only, and
// the launching process as the only client served.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "elevated_tasks/pipe_protocol.h"
#include "framework/handles.h"

namespace elevated {

// What each of the three accounts may do with the pipe: what a client asks
// for, and no more; nor READ_CONTROL or WRITE_DAC.
inline constexpr DWORD kHardenedPipeAccess = kPipeClientAccess;

// A copy of the user SID of a process's token (the handle needs
// PROCESS_QUERY_LIMITED_INFORMATION); empty when it cannot be read.
std::vector<BYTE> ProcessUserSid(HANDLE process);

// An ACL that allows kHardenedPipeAccess to user, to SYSTEM and to
// Administrators, in that order, and nothing to anyone else. Empty when it
// cannot be built.
std::vector<BYTE> BuildHardenedPipeAcl(PSID user);

// Creates the one instance of the pipe, first of its name, refusing remote
// clients, with the ACL above for the launcher's user (a SID as copied by
// ProcessUserSid; empty gives no pipe). Empty
// when the name is taken (also when the system made the instance beside
// another one) or the pipe cannot be made; a line on standard output says
// which.
fw::unique_hfile CreateHardenedPipe(const std::vector<BYTE>& launcherUserSid);

enum class ClientVerdict { Serve, Refuse, StopWaiting };

// What one wait for a client means. connectError: 0 when ConnectNamedPipe
// succeeded, else its error; clientId: the connected client's process id,
// nullopt when it could not be read. Served: the launcher, connected (also
// ERROR_PIPE_CONNECTED: it came before the call). Refused: any other client,
// one whose id cannot be read, and a failure that concerns one client
// (ERROR_NO_DATA: it connected and closed before the call; ERROR_BROKEN_PIPE,
// ERROR_PIPE_NOT_CONNECTED). Any other failure is the pipe's: stop waiting.
ClientVerdict JudgeClient(DWORD connectError, std::optional<ULONG> clientId, DWORD launcherId);

// Refusal lines, at most one a second however many clients knock.
struct RefusalLineLimit {
  std::optional<uint64_t> lastPrintedMs;
  uint32_t leftOut = 0;
};
// For a refusal at nowMs (a millisecond clock): nullopt when its line is left
// out; otherwise the number of lines left out since the last one printed,
// which the printed line reports.
std::optional<uint32_t> AdmitRefusalLine(RefusalLineLimit& limit, uint64_t nowMs);

// Waits for clients until the launcher's process is the one connected: true
// then; false when the pipe itself fails. Any other client, and one that
// left before it could be judged, is disconnected before anything is read
// from it; the refusal lines on standard output are limited as above, and
// the lines left out last are counted in one more line when the wait ends.
bool ConnectLauncherOnly(HANDLE pipe, DWORD launcherId);

}  // namespace elevated
