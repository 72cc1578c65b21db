// qlfvxET.exe: started elevated by the diagnostics tool with the tool's
// process id as its only argument; lives until that process, the client or
// the quit command ends it. The open pipe: any client of any account.

#include "elevated_tasks/server.h"

int wmain(int argc, wchar_t* argv[]) {
  return elevated::RunElevatedTasks(argc, argv, elevated::kDefaultPolicy);
}
