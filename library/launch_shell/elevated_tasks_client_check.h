#pragma once
// The pipe client's judgement of a reply, and its bounded transfers.

#include <windows.h>

#include <cstddef>
#include <string>

#include "library/launch_shell/launch_shell.h"

namespace launch_shell::detail {

// Ok for exactly one PipeMessage-sized reply whose code is Done, whatever
// its path holds; AcknowledgementMalformed otherwise. bytes may be null when
// count is 0.
PipeClientStatus CheckAcknowledgement(const void* bytes, size_t count);

// Whether two paths name the same program file: each made a full path
// (".." and "/" resolved, short names made long where the file exists) and
// compared without regard to case. An empty path matches nothing.
bool SameImagePath(const std::wstring& expected, const std::wstring& actual);

// Ok when the process serving pipe runs expectedImage; UnexpectedServer,
// naming that process and its image as far as they can be read, otherwise.
PipeClientResult CheckPipeServer(HANDLE pipe, const std::wstring& expectedImage);

enum class Transfer { Done, Failed, TimedOut };

// One read or write on a pipe opened for overlapped use, bounded by
// timeoutMs (INFINITE allowed). On TimedOut the request has been cancelled
// and has finished with the buffer before this returns; on Failed, error
// holds the reason (ERROR_MORE_DATA for a message larger than size).
Transfer TransferBounded(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD timeoutMs,
                         DWORD& count, DWORD& error);

}  // namespace launch_shell::detail
