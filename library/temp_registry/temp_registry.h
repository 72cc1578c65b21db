#pragma once
// Temporary data and registry value utilities of the diagnostics tool.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/file.h"
#include "framework/text.h"

// ---- Temporary-data statistics ---------------------------------------------

// Which running totals a walk updates and which labels its report lines
// carry. Other values are accepted: the tree is walked, nothing is counted
// or reported.
enum class TempDataKind : int32_t { Temp = 1, QFTemp = 2, QFBackup = 3 };

// The running totals of one kind, kept for the whole process. The size
// total adds each file's size modulo 2^32.
struct TempDataTotals {
  int32_t files = 0;
  int32_t folders = 0;
  uint64_t size = 0;
};

// Counts the files and sub-folders below folder whose names match pattern
// (wildcards as FindFirstFileW takes them; sub-folders are walked with "*"),
// depth first, adding to kind's totals (zeroed first when reset). After each
// listing that could be started, the sub-folders' own included, writes the
// kind's running totals as three debug-output messages. False only for an
// empty folder text; a folder that cannot be listed gives true and no report.
// Not thread-safe: one walk at a time.
bool CountFolderContents(const std::wstring& folder, const std::wstring& pattern, TempDataKind kind,
                         bool reset);

// One entry of a listing: folder ends with a backslash, name is one name
// found in it. "." and ".." count for nothing; a folder (or an entry whose
// attributes cannot be read) counts as a folder and is walked; a file whose
// status can be read counts with its size. False only for an empty folder.
bool CountFolderEntry(const std::wstring& folder, const std::wstring& name, TempDataKind kind);

// The totals of kinds 1 to 3; false, outputs untouched, for other kinds.
bool GetTempDataStatistics(int32_t& files, int32_t& folders, uint64_t& size, TempDataKind kind);

// ---- Temporary folders and folder creation ---------------------------------
//
// The temporary folder is the value of "temp", else of "tmp", read with
// GetEnvironmentVariableW: the process environment as it is at the call
// (SetEnvironmentVariableW counts), not the C runtime's copy of it. When
// neither is set there is none and the folder routines give the empty text.
// A variable that is set but empty counts as set and gives a temporary
// folder of "": "tmp" is not consulted, and the folders below then start at
// the root of the current drive ("\qfxauto\"). Folders given back end with
// a backslash.

// temp\qfxauto\, created when missing.
std::wstring GetAutoTempFolder();
// GetAutoTempFolder() + fileName; empty (no name) when that is empty.
std::wstring GetAutoTempFilePath(const std::wstring& fileName);
// With perProcess: temp\qfx<process id>\, created when missing. Without:
// temp\, nothing created (a value ending in a backslash gives two).
std::wstring GetProcessTempFolder(bool perProcess);
// GetProcessTempFolder(perProcess) + fileName; empty when that is empty.
std::wstring GetProcessTempFilePath(const std::wstring& fileName, bool perProcess);

// Creates the missing folders of path from the outermost down. Only missing
// components below an existing folder or drive are made: a relative path
// whose first component is missing stays missing. True when path is then a
// folder (FolderExists).
bool CreateFolderPath(const std::wstring& path);

// True for a web address ("http..." in any case), for a drive such as "C:"
// or "C:\" (without looking at the disk) and for a path that names a folder,
// with or without one trailing backslash. Wildcards in path take effect.
bool FolderExists(const std::wstring& path);

// True when anything of that name exists (_wstat64). Otherwise, with create,
// makes the folder and its missing parents. path must be a writable,
// NUL-terminated buffer: it is cut and restored during the call. A null path
// gives false, and so does an existing folder given with a trailing
// backslash (other than a drive's root), with or without create: _wstat64
// does not take the backslash, and the folder cannot be made again.
bool EnsureFolderExists(wchar_t* path, bool create);

// True when the file can be opened for reading while sharing read and
// write access, but not delete access: a file that another handle holds
// with delete access, or without sharing read, gives false. Folders give
// false.
bool FileExists(const std::wstring& path);

// True when the read-only attribute is set, and for a path whose attributes
// cannot be read (the failure value has every bit set).
bool IsFileReadOnly(const std::wstring& path);

// ---- Product settings in the registry --------------------------------------
// A setting is addressed by a root (a hive or an open key, never closed
// here), a sub-key path below it (the product key), a section below that
// (may be empty: the value then lies in the product key itself) and a value
// name. These routines keep process-wide state without locks (the product
// key name, the C runtime's numeric locale during a conversion): call them
// from one thread at a time.

// How a setting is stored. Any value other than Dword and String acts as Double.
enum class SettingValueType : int32_t {
  Dword = 0,   // REG_DWORD, 4 bytes; the caller's DWORD
  Double = 1,  // REG_SZ holding the number as text ("%.18g", point as separator)
  String = 2,  // REG_SZ, or numbered pieces "N0+", "N1+", ... when long
};

// The process-wide product key below "Software": empty at process start.
std::wstring& ProductKeyName();
// The product key as the settings routines take it: sets ProductKeyName to
// "Quillforge" first when it is empty.
const std::wstring& TakeProductKeyName();
// Sets ProductKeyName to "Quillforge\<name>".
void SetProductKeyName(const std::wstring& name);

// Reads root\subKey\section\name into the out variable of the type (text,
// number or value); the others are neither needed nor touched, and a missing
// one gives false. Type mismatches are failures, not conversions, and a
// REG_DWORD whose size is not 4 bytes is refused. A String read from
// numbered pieces appends them to the text as it stands.
bool ReadSettingValue(const std::wstring& subKey, HKEY root, const std::wstring& section,
                      const std::wstring& name, SettingValueType type, std::wstring* text,
                      DWORD* number, double* value);

// Writes one setting, creating the keys as needed. A String of up to 1022
// characters is one REG_SZ value, a longer one numbered pieces; either way
// the other form is removed. The pointer of the type must be given.
bool WriteSettingValue(const std::wstring& subKey, HKEY root, const std::wstring& section,
                       const std::wstring& name, SettingValueType type, const std::wstring& text,
                       const DWORD* number, const double* value);

// Looks for a setting in HKEY_CURRENT_USER\Software (under the product key,
// then under ProductKeyName as it stands), HKEY_LOCAL_MACHINE\Software and
// HKEY_USERS\.DEFAULT\Software, in that order; machineOnly skips the user's
// hive. The product key is explicitProductKey when not empty, else
// ProductKeyName (useProductKey) or "Quillforge". A setting under
// "Quillforge\Quillforge 2001 Viewer" is read from the user's hive only.
bool ReadProductSetting(const std::wstring& section, const std::wstring& name,
                        SettingValueType type, std::wstring* text, DWORD* number, double* value,
                        bool machineOnly, bool useProductKey,
                        const std::wstring& explicitProductKey = std::wstring());

// Writes a setting below HKEY_CURRENT_USER\Software under ProductKeyName
// (useProductKey) or "Quillforge". The user's hive is the only place written.
bool WriteProductSetting(const std::wstring& section, const std::wstring& name,
                         SettingValueType type, const std::wstring& text, const DWORD* number,
                         const double* value, bool useProductKey);

// Appends the REG_SZ pieces "<name>0+", "<name>1+", ... of an open key to
// text, up to the first missing or non-text piece. Returns false when at
// least one piece was read, true when none was (or key is null).
bool ReadNumberedValues(HKEY key, const std::wstring& name, std::wstring& text);

// Replaces the plain value and the pieces of name with pieces of at most 1015
// characters (an empty text gives one empty piece). 0 on success, 1 when key
// is null or a write fails (the pieces written before it stay).
int WriteNumberedValues(HKEY key, const std::wstring& name, const std::wstring& text);

// Deletes "<name>0+", "<name>1+", ... up to the first that cannot be deleted;
// pieces beyond a gap stay. Always true.
bool DeleteNumberedValues(HKEY key, const std::wstring& name);

// ---- .NET Framework installation detection ---------------------------------
// Read from HKEY_LOCAL_MACHINE\Software\Microsoft\.NETFramework. A runtime
// version sub-key is one whose name starts with "v", a digit 2 to 9 other than
// 3, and "." (v2.0.50727, v4.0.30319; not v1.1.4322, v3.5, V4.0 or policy).

// The "InstallRoot" value as stored (any type, as text).
bool GetDotNetInstallRoot(std::wstring& installRoot);

// Adds the runtime version sub-key names at the head of versions, so they end
// up in reverse enumeration order (highest first) before what was there.
// True when at least one name was added.
bool ListDotNetFrameworkVersions(fw::StringList& versions);

// InstallRoot followed directly by a version name (no separator added), the
// highest version first; true for the first such path that exists. On false
// after candidates were tried, path holds the last candidate.
bool FindDotNetFrameworkFolder(std::wstring& path);

// ---- Path strings and file listings ----------------------------------------
//
// Text only, the disk is never touched. A path beginning with "http" (any
// case) is a web address and separates with '/', every other path with '\'.
// Each routine assigns its output (empty when there is nothing) and returns
// whether the output is not empty.

// The text before the last separator, with keepSeparator the separator too.
bool GetPathFolder(const std::wstring& path, std::wstring& folder, bool keepSeparator);
// The text before the first colon; empty for web addresses.
bool GetPathDrive(const std::wstring& path, std::wstring& drive);
// The text after the last point anywhere in the path.
bool GetPathExtension(const std::wstring& path, std::wstring& extension);
// The text after the last separator, or the whole path.
bool GetPathFileName(const std::wstring& path, std::wstring& name);
// GetPathFileName cut before its last point.
bool GetPathFileTitle(const std::wstring& path, std::wstring& title);

// name with repeated copies of its extension removed, compared without
// regard to case: "report.pdf.pdf" gives "report.pdf". The last copy keeps
// its spelling; a stem no longer than the extension is kept.
std::wstring RemoveRepeatedExtension(const std::wstring& name);

// Appends to list the names (not paths) that the file search finds for
// folder\*.extension, in search order, folders and "."/".." included when
// they match. One trailing backslash of folder is dropped first.
void ListFilesWithExtension(const std::wstring& folder, const std::wstring& extension,
                            fw::StringList& list);

// Appends the full paths of every file below folder, at every depth, each
// folder's contents after its own path. With includeFolders the folders
// directly below folder are appended too (deeper ones never).
void ListFolderTree(const std::wstring& folder, fw::StringArray& paths, bool includeFolders);

// Inserts every source string into destination before its first element
// that is greater without regard to case; equal strings keep their order of
// arrival, so a sorted destination stays sorted.
void AddSortedNoCase(const fw::StringList& source, fw::StringList& destination);

// ---- Volume probe, text files and the store database path ------------------

// True when root's volume label cannot be read or not be written back (the
// volume takes no writes); false when it was written. With removableOnly, a
// volume that is not removable gives false untouched. On true, *error (when
// given) receives the Windows error and its cause. An empty root names no
// volume: true with ERROR_INVALID_NAME, nothing touched. The process error
// mode is always restored.
bool IsVolumeWriteProtected(const std::wstring& root, fw::FileError* error, bool removableOnly);

// True when the open file begins with the UTF-16 byte-order mark (as
// IsTextUnicode judges two bytes). The file position is at the start after
// the call in every case.
bool IsUnicodeTextFile(fw::File& file);

// The whole file taken as UTF-16LE units up to the first NUL unit; a
// byte-order mark stays as the first character and an odd final byte is
// dropped. The output is emptied when the file cannot be opened or read.
void ReadWholeFileText(const std::wstring& path, std::wstring& text);

// Writes text as multibyte (the C runtime's locale, else the ANSI code page),
// without its NUL, then "\r\n" when lineEnd. An empty text writes nothing.
// False only when the text cannot be converted (nothing written); a failed
// write still gives true and is recorded in file.LastError().
bool WriteTextToFile(fw::File& file, const std::wstring& text, bool lineEnd);

// The roaming application-data folder + "\Quillforge\qlfstore.db"; the
// Quillforge folder is made when missing (a failure shows when the database
// is opened). Empty when the application-data folder cannot be located or
// the path would not fit MAX_PATH.
std::wstring GetStoreDatabasePath();
