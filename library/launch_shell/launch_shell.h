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

#include <shlobj.h>

// Deletes a file, or a folder with everything in it, permanently and
// without any dialog. The path ends at its first NUL unit, so one call
// never deletes more than one item. False when nothing exists at the path
// (wildcards match nothing here) or the shell reports a failure.
bool DeleteWithShell(std::wstring path);

// Shows the folder picker, opening at initialFolder, and writes the chosen
// folder's full path to output. reserved and unusedText are not read. The
// caller initialises COM on this thread.
// Returns E_ABORT when the dialog cannot be made, fails or is cancelled
// (output then empty, or untouched when the dialog could not be made);
// otherwise 0 when initialFolder was a usable folder, else the failure of
// setting it (the chosen path is still written).
HRESULT PickFolder(INT_PTR reserved, const std::wstring& unusedText,
                   const std::wstring& initialFolder, std::wstring& output);

// Writes a shortcut file at shortcutPath pointing at target, with the
// working folder (none when null), the description and, when iconIndex is 0
// or more, the icon at that index of target. The caller initialises COM on
// this thread. Returns 0, the first failing result of the shell link, or
// E_POINTER when target, shortcutPath or description is null.
HRESULT CreateShortcut(const wchar_t* target, const wchar_t* shortcutPath,
                       const wchar_t* workingFolder, const wchar_t* description, int iconIndex);

// Opens a document, program or web address with its associated program.
// What the shell makes of it is not reported: always true (also for null,
// which is not handed to the shell).
bool OpenWithShell(const wchar_t* item);

// The shell's item list for path, relative to the desktop, stored in
// *itemList (the caller frees it with CoTaskMemFree). Returns the parse
// result; S_FALSE when the desktop folder is unavailable; E_POINTER when
// itemList is null; HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE) for a
// path of 260 units or more, which is never cut short. *itemList is
// written only by the parse itself.
HRESULT ParseShellPath(HWND owner, const std::wstring& path, PIDLIST_RELATIVE* itemList);
