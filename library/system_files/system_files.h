#pragma once
// File-system and system-description utilities of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Operating-system description ------------------------------------------

// ---- Process identity and the launching product ----------------------------

// The folder of the running executable, without a trailing backslash: "C:"
// for a program in the root of drive C, "." when the path holds no folder
// (or cannot be read). Always TRUE.
BOOL GetOwnFolder(std::wstring& folder);

// The executable's base file name of a process, or "<unknown>" when the
// process cannot be opened (ended, never existed, access refused) or its
// modules cannot be read.
void GetProcessModuleName(DWORD processId, std::wstring& name);

// The base file name of the parent's executable; "<unknown>" when the parent
// cannot be read (it has ended, say); the empty text when the process
// snapshot cannot be taken or does not list the current process.
std::wstring GetParentProcessName();

// "QUILLFORGE", "QUILLFORGE Wirewright" or "QUILLFORGE Sceneloom" when the
// parent runs "qlfmain.exe", "QUILLFORGEWirewright.exe" or "Sceneloom.exe"
// (whole name, any case); otherwise the empty text.
std::wstring GetLaunchingProductName();

// ---- Privilege enabling ----------------------------------------------------

// ---- Folder listing, copying and creation ----------------------------------

// ---- Performance-trace file names ------------------------------------------
