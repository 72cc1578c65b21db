#pragma once
// The hardened pipe (ServerPolicy::hardenedPipe): one local pipe instance,
// read and write for the launcher's user, SYSTEM and Administrators only, and
// the launching process as the only client served.

#include <windows.h>

#include <vector>

#include "framework/handles.h"

namespace elevated {

// What each of the three accounts may do with the pipe: a client opens it
// for reading and writing. The right to make further instances comes with
// write, but the pipe allows one instance and holds it.
inline constexpr DWORD kHardenedPipeAccess = FILE_GENERIC_READ | FILE_GENERIC_WRITE;

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

// Waits for clients until the launcher's process is the one connected: true
// then; false when a wait for a client fails. Any other client is
// disconnected before anything is read from it, with one line on standard
// output.
bool ConnectLauncherOnly(HANDLE pipe, DWORD launcherId);

}  // namespace elevated
