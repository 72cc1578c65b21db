#pragma once
// The shell-folder steps that ElevatedTasks and the library share; each
// caller keeps its own idea of a failed lookup.

#include <windows.h>

#include <string>

namespace elevated::detail {

// Asks the shell for a special folder's item list and turns it into a path
// through a zeroed MAX_PATH buffer of its own, freeing the list afterwards.
// Returns the lookup's result; text is written only when it succeeded, and
// is empty for a folder without a file-system path.
HRESULT ShellFolderText(int csidl, std::wstring& text);

// Appends "\Quillforge" to folder and creates that folder. True when it was
// created or already existed; folder holds the path either way.
bool AppendProductFolder(std::wstring& folder);

}  // namespace elevated::detail
