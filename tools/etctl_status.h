#pragma once
// qlfvxETctl status: what the elevated commands have changed, looked at with
// the user's own rights and without ElevatedTasks. The look is one thin call;
// the texts are built from its plain record, so that any record can be fed.

#include <windows.h>

#include <string>
#include <vector>

#include "tools/etctl_observe.h"

namespace etctl {

// Whether ElevatedTasks' pipe exists now. Looked at without connecting: the
// server serves one client in its life, and a look that connected would end it.
struct PipeState {
  bool exists = false;
  bool busy = false;  // exists, but its one instance has a client
  DWORD error = ERROR_SUCCESS;
};

struct StatusReport {
  FolderValueState debugDir;
  FolderValueState lnkagtDebugDir;
  FileState traceFolder;
  FileState traceFile;
  ServiceState service;
  PipeState pipe;
};

StatusReport ObserveStatus();

// One line per thing that could not be read ("DebugDir: error 5"); empty
// when everything could be looked at, which is what exit code 0 means.
std::vector<std::wstring> StatusFailures(const StatusReport& report);

// One "label: what is there" line each, ended by "\n".
std::wstring StatusText(const StatusReport& report);

// The same as one JSON object on one line, ended by "\n". Only ASCII is
// written: everything else is escaped, so that no code page can change it. A
// lone surrogate in a path reads as U+FFFD. Never throws but std::bad_alloc.
std::wstring StatusJson(const StatusReport& report);

// The words after "status": none, or "--json".
struct StatusRequest {
  bool ok = false;
  bool json = false;
  std::wstring error;
};
StatusRequest ParseStatusArguments(const std::vector<std::wstring>& words);

// The usage of status, to follow the commands' usage; starts with an empty line.
std::wstring StatusUsageText();

}  // namespace etctl
