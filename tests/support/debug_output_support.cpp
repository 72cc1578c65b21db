#include "tests/support/debug_output_support.h"

#include <winioctl.h>

#include <gtest/gtest.h>

#include "framework/handles.h"
#include "tests/support/test_support.h"

namespace vxtest {

namespace {

// Quoted for the C runtime's argument parser; the tests pass no quotes.
std::wstring Quoted(const std::wstring& argument) {
  size_t trailing = 0;
  while (trailing < argument.size() && argument[argument.size() - 1 - trailing] == L'\\') {
    ++trailing;
  }
  return L"\"" + argument + std::wstring(trailing, L'\\') + L"\"";
}

}  // namespace

DebuggedRun RunUnderDebugger(const std::wstring& program,
                             const std::vector<std::wstring>& arguments) {
  DebuggedRun run;
  const std::wstring record =
      BinPath(L"debug_capture_" + std::to_wstring(::GetCurrentProcessId()) + L".bin");
  ::DeleteFileW(record.c_str());
  std::wstring line = Quoted(BinPath(L"debug_capture.exe")) + L" " + Quoted(record) + L" " +
                      Quoted(BinPath(program));
  for (const std::wstring& argument : arguments) line += L" " + Quoted(argument);

  Child child = StartChild(line, true);
  if (!child.process) return run;
  run.output = ReadAllOutput(child);
  const std::optional<DWORD> code = WaitExit(child, 120000);
  if (!code) {
    KillChild(child);
    ADD_FAILURE() << "debug_capture did not end";
    return run;
  }
  run.started = true;
  run.exitCode = *code;
  const std::string bytes = ReadFileBytes(record);
  ::DeleteFileW(record.c_str());
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\0') continue;
    run.messages.push_back(Utf8ToWide(bytes.substr(start, i - start)));
    start = i + 1;
  }
  return run;
}

bool MakeSparseFile(const std::wstring& path, uint64_t size) {
  fw::unique_hfile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // Where the file system keeps no sparse flag (Wine maps files onto the
  // host, which leaves unwritten ranges unallocated anyway) this may fail.
  DWORD returned = 0;
  ::DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
  LARGE_INTEGER end = {};
  end.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get());
}

uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace vxtest
