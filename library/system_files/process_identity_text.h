#pragma once
// The text decisions behind the process-identity routines, kept apart from
// the system calls so that any input can be fed to them.

#include <string>

namespace system_files::detail {

// What a module-name lookup leaves when the name cannot be read.
inline constexpr wchar_t kUnknownModuleName[] = L"<unknown>";

// The folder part of an executable's full path: the text before the last
// backslash, or "." when there is no backslash or only a leading one (the
// path then names nothing we could put a program beside). An empty path,
// which is what a failed module-file-name query leaves, also gives ".".
std::wstring OwnFolderFromModulePath(const std::wstring& modulePath);

// The product whose executable name equals parentName, ignoring case, from
// the three-row table in its order; the empty text when none matches.
std::wstring LaunchingProductForExecutable(const std::wstring& parentName);

}  // namespace system_files::detail
