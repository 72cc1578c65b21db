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

// What the attaching client learned about the process serving the pipe,
// all while it held that process open.
struct AttachedServerFacts {
  bool imageMatches = false;    // it runs the expected image (false when unreadable)
  bool elevationKnown = false;  // its token's TokenElevation could be read
  bool elevated = false;        // and reported true
  bool alive = false;           // it had not ended once the facts above were read
};

// Ok only when every fact holds. Otherwise the first that fails decides:
// ServerEnded, then UnexpectedServer, then UnelevatedServer (an unreadable
// elevation counts as none).
PipeClientStatus JudgeAttachedServer(const AttachedServerFacts& facts);

// Ok when the process serving pipe passes JudgeAttachedServer for
// expectedImage; otherwise its verdict, naming that process and its image as
// far as they can be read.
PipeClientResult CheckAttachedServer(HANDLE pipe, const std::wstring& expectedImage);

// Ok when the process serving pipe is launched (the same id, asked while
// launched is held) and launched still runs; UnexpectedServer naming the
// server, or ServerEnded.
PipeClientResult CheckLaunchedServer(HANDLE pipe, HANDLE launched);

enum class Transfer { Done, Failed, TimedOut };

// One read or write on a pipe opened for overlapped use, bounded by
// timeoutMs (INFINITE allowed). On TimedOut the request has been cancelled
// and has finished with the buffer before this returns; on Failed, error
// holds the reason (ERROR_MORE_DATA for a message larger than size).
Transfer TransferBounded(HANDLE pipe, bool write, void* buffer, DWORD size, DWORD timeoutMs,
                         DWORD& count, DWORD& error);

}  // namespace launch_shell::detail
