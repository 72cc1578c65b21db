#pragma once
// What qlfvxETctl looks at around each command: the registry value a
// command writes and the folder it names, the service state, the trace file.

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace etctl {

// One of the folder values ElevatedTasks records under its product key.
struct FolderValueState {
  bool keyExists = false;
  bool valueExists = false;
  DWORD type = REG_NONE;
  std::wstring text;  // up to its first NUL
  bool folderExists = false;
  DWORD error = ERROR_SUCCESS;  // why the key or the value could not be read, when not by absence
};
FolderValueState ReadFolderValue(const wchar_t* valueName);

// A file or folder; error tells a failed look from absence.
struct FileState {
  std::wstring path;
  bool exists = false;
  bool isFolder = false;
  unsigned long long size = 0;
  FILETIME modified = {};  // UTC
  DWORD error = ERROR_SUCCESS;
};
FileState ReadFileState(const std::wstring& path);

// Where ElevatedTasks' trace lands: the roaming application-data folder of
// the account it runs under (for a consent prompt on the same account, this
// user's) and "\Quillforge". Empty, with the error, when that cannot be found.
std::wstring TraceFolder(DWORD& error);

// The CORVANTALauncher service: installed, its SERVICE_* state, or the
// error that kept it from being asked.
struct ServiceState {
  bool installed = false;
  DWORD state = 0;
  DWORD error = ERROR_SUCCESS;
};
ServiceState ReadServiceState();

inline constexpr wchar_t kTraceFileName[] = L"qlfvxPerfData.etl";

// "(unreadable: error N)", for what could not be looked at.
std::wstring UnreadableText(DWORD error);

// "PATH (missing)", "PATH (folder exists)", "PATH (exists, N bytes)" and, with
// the time, "PATH (exists, N bytes, modified 2026-12-06 05:40:12 UTC)".
std::wstring DescribeFile(const FileState& file, bool withTime);

// A UTC file time as "2026-12-06 05:40:12" (separator ' ') or
// "2026-12-06T05:40:12Z" (separator 'T', for JSON).
std::wstring FileTimeText(const FILETIME& time, wchar_t separator);

// Labelled texts, one per thing the command can change. Commands that
// change nothing visible (quit, unknown codes) observe nothing.
struct Observation {
  std::vector<std::pair<std::wstring, std::wstring>> items;
};

// Reads the machine's state as far as command matters. With settle, a
// service in a pending state is given up to 10 s to settle first, since the
// restart does not wait for it.
Observation Observe(uint32_t command, bool settle);

// One line per item, "  label: before -> after" or "  label: text
// (unchanged)"; items are matched by position.
std::vector<std::wstring> DescribeChange(const Observation& before, const Observation& after);

// How a registry text value reads to a person: the quoted text and whether
// the folder it names exists.
std::wstring DescribeFolderValue(bool keyExists, bool valueExists, DWORD type,
                                 const std::wstring& text, bool folderExists);

// As above, or "(unreadable: error N)".
std::wstring DescribeFolderValue(const FolderValueState& value);

// "running", "stopped", ... for a SERVICE_* state; "state N" for others.
std::wstring ServiceStateName(DWORD state);

}  // namespace etctl
