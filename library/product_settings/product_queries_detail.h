#pragma once
// The decisions of the product queries, apart from the system calls.

#include <string>
#include <vector>

namespace product_settings::detail {

// The text before the last backslash; empty when there is none.
std::wstring TextBeforeLastBackslash(const std::wstring& path);

// "qlfmain.exe" in the parent of the running executable's folder: the folder
// up to and including its last backslash when that lies past the first
// character, else the bare file name.
std::wstring MainExecutablePathFor(const std::wstring& moduleFolder);

// True when version sorts at or after "4.71.1712.6" character by character,
// ignoring case: "4.8" passes and "10.0.1" does not.
bool IsInternetExplorerVersionText(const std::wstring& version);

// The marker files HasPlatformDataFileNear probes, in order: beside the
// path, then inside it. None for an empty path.
std::vector<std::wstring> PlatformDataCandidates(const std::wstring& path);

// The marker file in the parent of the running executable's folder; empty
// when that folder has no parent.
std::wstring ParentPlatformDataFile(const std::wstring& moduleFolder);

// The text without blanks (white space) at either end.
std::wstring TrimBlanks(const std::wstring& text);

}  // namespace product_settings::detail
