// hardened/qlfvxET.exe: the same program with the hardened policy
// (docs/security.md): the launching process is its only client.

#include "elevated_tasks/server.h"

int wmain(int argc, wchar_t* argv[]) {
  return elevated::RunElevatedTasks(argc, argv, elevated::kHardenedPolicy);
}
