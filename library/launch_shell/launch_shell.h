#pragma once
// Shell, file-version and launch utilities of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Elevated launch of ElevatedTasks -------------------------------------

// ---- File version information ---------------------------------------------

// The "FileVersion" text of a file's version resource, else its
// "ProductVersion", exactly as stored (not trimmed or reformatted). The string
// table read is the one named by the first entry of the translation table, or
// language 0x0009 with code page 1252 when there is none. The empty text when
// the path is null, the file is missing, or it carries no such resource or
// string: the caller cannot tell these apart.
std::wstring GetFileVersionString(const wchar_t* path);

// ---- OEM branding ----------------------------------------------------------

// ---- Product user folders --------------------------------------------------

// ---- Shell operations ------------------------------------------------------
