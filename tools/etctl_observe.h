#pragma once
// What qlfvxETctl looks at around each command: the registry value a
// command writes and the folder it names, the service state, the trace file.

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace etctl {

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

// "running", "stopped", ... for a SERVICE_* state; "state N" for others.
std::wstring ServiceStateName(DWORD state);

}  // namespace etctl
