#pragma once
// Debug-output messages as a debugger receives them, and big sparse files.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vxtest {

struct DebuggedRun {
  bool started = false;
  DWORD exitCode = 0;
  std::vector<std::wstring> messages;  // every OUTPUT_DEBUG_STRING_EVENT text, in order
  std::string output;                  // the program's standard output
};

// Runs program (a name in the bin folder) with arguments under the
// debug_capture double and collects what it sent to the debug output.
DebuggedRun RunUnderDebugger(const std::wstring& program,
                             const std::vector<std::wstring>& arguments);

// Makes path a sparse file of size bytes (no data written). False on failure.
bool MakeSparseFile(const std::wstring& path, uint64_t size);

// The file's size as the file system reports it; 0 when it cannot be read.
uint64_t FileSize(const std::wstring& path);

}  // namespace vxtest
