#pragma once
// File-system and system-description utilities of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Operating-system description ------------------------------------------

// One line about the running Windows: maker, family, edition, processor
// width, version numbers, service pack and build, for example
// "Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)".
// The text is emptied first. FALSE when Windows answers neither version query
// (text empty), or when an NT system that gives only the basic version record
// has no readable ProductOptions "ProductType" (text holds what was built up
// to then). Reads only; writes nothing.
BOOL GetOsDescription(std::wstring& text);

// Appends the edition name of a GetProductInfo code (1 to 25), or
// "Unknown Edition" for any other code. No trailing blank.
void AppendEditionName(std::wstring& text, DWORD productType);

// TRUE on Windows 2000 (NT platform, version 5.0); FALSE otherwise or when
// the version cannot be queried.
BOOL IsWindows2000();

// TRUE on an NT platform whose minor version is 1, whatever the major version
// (XP 5.1 and 7 6.1 alike); FALSE otherwise or when the version cannot be
// queried.
BOOL IsNtMinorVersionOne();

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

// Switches one privilege (an SE_..._NAME text) on (enable non-zero) or off in
// the current process's token. ERROR_SUCCESS (0) or ERROR_FUNCTION_FAILED
// (1627); a failure also writes "Failed OpenProcessToken", "Failed
// LookupPrivilegeValue" or "Failed AdjustTokenPrivileges" and a line feed to
// standard output. A token that does not hold the privilege at all still
// gives 0: Windows accepts the call and only its last error tells.
DWORD EnableTokenPrivilege(const wchar_t* privilegeName, BOOL enable);

// ---- Folder listing, copying and creation ----------------------------------

// Appends the full path of every entry directly inside folder (one level,
// no "." or ".."), in the order Windows lists them. folder is text of the
// ANSI code page and every path passes through it: a character that the
// code page cannot hold comes back as a look-alike or as '?', and the entry
// is still added, as a path that names another file or none. A missing
// folder adds nothing. Always TRUE.
BOOL ListFolderEntries(const std::string& folder, fw::StringArray& entries);

// Copies everything directly inside source (files and whole sub-folders)
// into destination through the shell, silently: no window, every question
// answered yes, destination made when missing. True when the shell reports
// success. False without calling the shell when source is empty (its "\*"
// would be the root of the current drive) or when source (with its "\*") or
// destination does not fit the shell's 260-unit name buffers.
bool CopyFolderContents(const std::wstring& source, const std::wstring& destination);

// TRUE when something called folder exists, or the folder could be made
// (one level only), and _waccess(folder, 2) then succeeds. That test reads
// only the read-only attribute, which Windows does not apply to folders: any
// existing folder passes, and a file passes unless it is read-only. Whether
// files can really be written in the folder is not tested.
BOOL EnsureWritableFolder(std::wstring folder);

// ---- Performance-trace file names ------------------------------------------
//
// folder, unchanged, when not empty, else the roaming product folder
// (GetRoamingProductFolder, made when missing; empty when it cannot be
// located). Neither routine creates anything itself. Always TRUE.

// The chosen folder + "\qlfvxPerfData.etl".
BOOL GetTraceFilePath(std::wstring& path, std::wstring folder);
// The chosen folder + "\performance".
BOOL GetPerformanceFolder(std::wstring& path, std::wstring folder);

// TRUE when text is not empty and holds only decimal digits (iswdigit) and
// points; points alone pass.
BOOL IsNumericVersion(const std::wstring& text);
