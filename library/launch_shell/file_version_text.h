#pragma once
// The string-table name of a version resource, apart from the resource
// calls, so that any translation block can be fed to it.

#include <windows.h>

#include <string>

namespace launch_shell::detail {

// "\StringFileInfo\llllcccc\" with four lower-case hexadecimal digits each of
// the language and code page in the first entry of a translation block
// (language in the low word). A null block or one shorter than 4 bytes gives
// language 0x0009 with code page 0x04E4.
std::wstring StringTablePrefix(const void* translation, UINT translationBytes);

}  // namespace launch_shell::detail
