#pragma once
// File-system and system-description utilities of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Operating-system description ------------------------------------------

// ---- Process identity and the launching product ----------------------------

// ---- Privilege enabling ----------------------------------------------------

// ---- Folder listing, copying and creation ----------------------------------

// Appends the full path of every entry directly inside folder (one level,
// no "." or ".."), in the order Windows lists them. folder is text of the
// ANSI code page and every path passes through it, so characters outside
// that code page come back as the code page shows them. A missing folder,
// a folder text or an entry that cannot be converted adds nothing. Always
// TRUE.
BOOL ListFolderEntries(const std::string& folder, fw::StringArray& entries);

// Copies everything directly inside source (files and whole sub-folders)
// into destination through the shell, silently: no window, every question
// answered yes, destination made when missing. True when the shell reports
// success. False without calling the shell when source (with its "\*") or
// destination does not fit the shell's 260-unit name buffers.
bool CopyFolderContents(const std::wstring& source, const std::wstring& destination);

// TRUE when folder exists, or could be made (one level only), and may be
// written.
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
