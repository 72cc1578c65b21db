#pragma once
// The contract of the command pipe, shared by ElevatedTasks, the library's
// client and qlfvxETctl: the name, the one message layout and the command
// codes. Nothing here belongs to one side only.

#include <windows.h>

#include <cstddef>
#include <cstdint>

inline constexpr wchar_t kPipeName[] = L"\\\\.\\pipe\\VxToElevatedExePipe";
inline constexpr size_t kPipePathUnits = 260;

// The rights a client asks for when it opens the pipe, and all that the
// hardened pipe grants: reading and writing data, and the attributes that
// carry the read mode. Not FILE_APPEND_DATA (in FILE_GENERIC_WRITE), which on
// a pipe is the right to create another instance of its name.
inline constexpr DWORD kPipeClientAccess =
    FILE_READ_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;

// The one message layout, in both directions: no header, no length prefix,
// little-endian.
#pragma pack(push, 1)
struct PipeMessage {
  uint32_t command;
  wchar_t path[kPipePathUnits];  // ended by a NUL unit; read by the two Set commands only
};
#pragma pack(pop)
static_assert(sizeof(PipeMessage) == 524, "the pipe's messages are exactly 524 bytes");
static_assert(sizeof(wchar_t) == 2, "path units are UTF-16");

enum ElevatedCommand : uint32_t {
  XperfStart = 0,
  XperfStop = 1,
  Done = 2,
  Quit = 3,
  DebugDirCreate = 4,
  DebugDirDelete = 5,
  DebugDirSet = 6,
  LNKAGTDebugDirCreate = 7,
  LNKAGTDebugDirDelete = 8,
  LNKAGTDebugDirSet = 9,
  LauncherServiceRestart = 10,
};
inline constexpr uint32_t kLastElevatedCommand = LauncherServiceRestart;

// The acknowledgement: the code Done and a path of zero bytes, so that no
// memory of the elevated process reaches the client. It says nothing about
// success.
constexpr PipeMessage AcknowledgementMessage() {
  PipeMessage acknowledgement = {};
  acknowledgement.command = Done;
  return acknowledgement;
}
