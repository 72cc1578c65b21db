#pragma once
// The decisions inside the text-file routines, apart from their system calls.

#include <windows.h>

#include <cstddef>
#include <string>

namespace temp_registry::detail {

// bytes taken as UTF-16LE units up to the first NUL unit; an odd final byte
// (half a unit) is dropped.
std::wstring TextFromUtf16Bytes(const unsigned char* bytes, size_t count);

// text as multibyte without its NUL: the C runtime's conversion under the
// current locale, else fallbackCodePage. False (bytes untouched) when
// neither can convert it.
bool ToMultibyte(const std::wstring& text, UINT fallbackCodePage, std::string& bytes);

// appDataFolder + "\Quillforge\qlfstore.db", making the Quillforge folder
// (two tries) when missing. Empty for a null folder or a path that would
// not fit MAX_PATH.
std::wstring StoreDatabasePathUnder(const wchar_t* appDataFolder);

}  // namespace temp_registry::detail
