#pragma once
// The decisions of the shell operations, apart from the shell calls.

#include <windows.h>

#include <string>

namespace vxlib::detail {

// The units of the path buffer handed to the desktop folder's parser,
// terminator included.
inline constexpr size_t kParseBufferUnits = MAX_PATH;

// The path up to its first NUL unit, followed by the empty entry that ends
// the shell's list of paths: "a" gives the two units 'a', NUL, and c_str()
// adds the list's final NUL.
std::wstring ShellDeleteList(const std::wstring& path);

// True when path, up to its first NUL, fits the parse buffer with its
// terminator.
bool FitsParseBuffer(const std::wstring& path);

}  // namespace vxlib::detail
