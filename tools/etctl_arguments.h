#pragma once
// qlfvxETctl's command line, read without touching the system.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace etctl {

inline constexpr DWORD kDefaultConnectTimeoutMs = 10000;
inline constexpr DWORD kDefaultAckTimeoutMs = 300000;

// One command to send, in the order given.
struct Step {
  uint32_t command = 0;
  std::wstring path;  // sent with the two set commands; empty otherwise
  std::wstring word;  // as the user wrote it, for the report ("code 42" for raw codes)
};

struct Options {
  bool help = false;
  bool attach = false;  // talk to an ElevatedTasks already running instead of launching one
  DWORD connectTimeoutMs = kDefaultConnectTimeoutMs;
  DWORD ackTimeoutMs = kDefaultAckTimeoutMs;
  // The program launched, or with attach the image that must serve the pipe;
  // empty: qlfvxET.exe beside us.
  std::wstring serverImage;
  std::vector<Step> steps;
};

struct ParseResult {
  bool ok = false;
  Options options;
  std::wstring error;  // one line for the user when !ok
};

// Reads the arguments after the program name. Fails on an unknown word, a
// missing or malformed operand, a path too long for the message (260 units
// or more), a command after quit (ElevatedTasks is gone by then), and on no
// command at all unless help was asked for.
ParseResult ParseArguments(const std::vector<std::wstring>& arguments);

// The readable name of a command code ("debugdir-create"), or the empty
// text for codes that have none.
std::wstring CommandWord(uint32_t command);

// The full usage text, lines ended by "\n".
std::wstring UsageText();

}  // namespace etctl
