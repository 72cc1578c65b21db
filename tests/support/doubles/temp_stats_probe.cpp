// Runs CountFolderContents in a process of its own, so that a test acting as
// its debugger receives the report lines. Arguments: groups of
// <folder> <pattern> <kind> <reset 0|1>, one call each, in order.
// Exit code 0, 2 for bad arguments, 3 when a call returned false.

#include <cwchar>

#include "library/temp_registry/temp_registry.h"

int wmain(int argc, wchar_t* argv[]) {
  if (argc < 5 || (argc - 1) % 4 != 0) return 2;
  int code = 0;
  for (int i = 1; i + 3 < argc; i += 4) {
    const auto kind = static_cast<TempDataKind>(std::wcstol(argv[i + 2], nullptr, 10));
    if (!CountFolderContents(argv[i], argv[i + 1], kind, argv[i + 3][0] == L'1')) code = 3;
  }
  return code;
}
