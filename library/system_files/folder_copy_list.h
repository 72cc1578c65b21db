#pragma once
// The shell's name lists of the folder copy, apart from the copy itself.

#include <array>
#include <string>

namespace system_files::detail {

// One name in the shell's double-terminated list: at most 259 units, its
// terminator and the list's terminator.
inline constexpr size_t kShellListUnits = 261;
using ShellNameList = std::array<wchar_t, kShellListUnits>;

// source + "\*", always appended (a source ending in a backslash gives
// "\\*"); empty for an empty source, whose "\*" would name the root of the
// current drive.
std::wstring CopySourcePattern(const std::wstring& source);

// Fills list with name and its two terminators; false (list untouched)
// when name is longer than 259 units.
bool FillShellNameList(const std::wstring& name, ShellNameList& list);

}  // namespace system_files::detail
