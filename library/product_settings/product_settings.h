#pragma once
// Product settings and platform integration of the diagnostics tool.

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "framework/handles.h"
#include "framework/text.h"
#include "library/product_settings/document_component.h"
#include "library/temp_registry/temp_registry.h"

// ---- Desktop launcher command line -----------------------------------------

// Starts the collaboration platform's start program "HALSTART.exe", hidden,
// with the command line that runs its desktop launcher for the current user.
// The folder is the "Path" of the machine's key
//   SOFTWARE\Brevanne Koltec\QFXConnectors\QFXDesktopLauncher
// "QFXDesktopLauncher.exe" and "HALSTART.exe" must both be openable there,
// and the user's "SpaceURL", "MyAppsURL", "RegistryURL" and "Tenant" under
//   Software\Brevanne Koltec\QUILLFORGEPDM\Servers\CORVANTA
// must all be non-empty; otherwise false, nothing started,
// *process untouched. True once the start was attempted: *process (when
// given) then holds the new process's handle, which the caller closes, or
// null when the start failed. No other handle of the new process is kept.
bool StartDesktopLauncher(HANDLE* process);

// ---- Platform web address --------------------------------------------------

// Opens the platform's web address, hidden, with the shell's "open": the part
// from "https" through ".com" of the first line of
// "C:\ProgramData\BrevanneKoltec\CORVANTALauncher\data.shared" (ANSI text).
// A missing file, no usable address or a failing shell pass silently.
void OpenPlatformWebAddress();

// ---- Window placement setting ----------------------------------------------

// Reads a window placement saved in the application profile
// (fw::ReadProfileString) as "flags,showCmd,minX,minY,maxX,maxY,left,top,
// right,bottom", optionally followed by ",<remainder>". section null means
// "User Interface\Settings". False, outputs untouched, when the entry is
// missing or empty (or entry is null); true otherwise, even with no outputs.
// Fields the text does not supply come back 0. *remainder, filled only
// together with *placement, is the text after the tenth comma, or empty when
// there are fewer than ten.
bool GetWindowPlacementSetting(WINDOWPLACEMENT* placement, const wchar_t* entry,
                               const wchar_t* section, std::wstring* remainder);

// ---- Registry value access -------------------------------------------------
// Each routine opens root\subKey, does one thing and closes what it opened;
// the root (a predefined hive or a key the caller holds open) is never closed.
// Outputs are written only on success and keep what they held otherwise.

// A REG_DWORD value of exactly 4 bytes. The key is opened with the access
// that RegOpenKeyW asks for (MAXIMUM_ALLOWED).
bool QueryDwordValue(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD& value);

// A REG_SZ or REG_EXPAND_SZ value (unexpanded) of at most 520 bytes: 259
// characters and the NUL. Size 0 gives the empty text; an odd size, or a last
// stored unit that is not NUL, fails.
bool QueryStringValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                      std::wstring& value);

// The stored bytes of a value of any type and at most 4 bytes, little-endian;
// a shorter value is zero-extended (size 0 gives 0).
bool ReadDwordValue(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD& value);

// Any value as text: a REG_DWORD as a signed decimal number, everything else
// as UTF-16 text up to its first NUL or to the end of the stored data (so
// REG_EXPAND_SZ comes back unexpanded and REG_MULTI_SZ gives its first string).
// Queries with 160 bytes first and, when that is too small, once more with
// twice the size the registry reported.
bool ReadValueAsText(HKEY root, const std::wstring& subKey, const std::wstring& name,
                     std::wstring& value);

// ReadValueAsText under HKEY_LOCAL_MACHINE. Note the argument order: value
// name first, then the sub-key.
bool ReadMachineValueAsText(std::wstring name, std::wstring subKey, std::wstring& value);

// True when root\subKey opens for reading.
bool RegistryKeyExists(HKEY root, const std::wstring& subKey);

// Stores text as REG_SZ with its NUL counted, in an existing key (never
// created). Returns the Windows error of opening the key, else the result of
// closing it: 0 even when the write itself failed.
LONG WriteStringValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                      const std::wstring& text);

// ---- Product installation and environment queries --------------------------
// The platform values are read from the user's key
//   Software\Brevanne Koltec\QUILLFORGEPDM\Servers\CORVANTA. Apart from
//   RequireInternetExplorerVersion
// nothing here reports or shows anything.

// The running executable's full path (at most 259 characters), and its
// folder without a trailing backslash (empty when the path has none).
std::wstring GetModulePath();
std::wstring GetModuleFolder();

// "qlfmain.exe" in the parent of the running executable's folder.
std::wstring GetMainExecutablePath();

// The path of a shell folder (CSIDL). False, path untouched, when the shell
// does not know the folder; true with an empty path when it has no file path.
bool GetSpecialFolderPath(int csidl, std::wstring& path);

// Creates <roaming application data>\Quillforge; true when it exists. folder
// holds that path in both cases, untouched only when the shell call fails.
bool CreateAppDataProductFolder(std::wstring& folder);

// "QFOfficeVersion", or empty.
std::wstring GetOfficeVersion();

// The product setting General\"Backup directory" without surrounding
// blanks, else "\Temp\QFBackupDirectory" (at the root of the current drive).
std::wstring GetBackupDirectory();

// Reads "OFFLINE_AliasName" into alias (left as it was when the value is
// missing); true when alias is then not empty.
bool GetOfflineAliasName(std::wstring& alias);

// The id of the first running process whose executable file name equals
// name ignoring case; 0 when none (or name is empty).
DWORD FindProcessIdByName(const std::wstring& name);

// Stores text as HKCU\Software\<ProductKeyName>\Quillforge Vx\sm\<name>
// (REG_SZ up to 1022 characters, numbered pieces beyond), then starts the
// desktop launcher even when storing failed. The launcher's process handle
// (the caller closes it), or null when it was not started.
HANDLE StoreSmValueAndStartLauncher(const std::wstring& name, const std::wstring& text);

// True when HKLM\Software\Microsoft\Internet Explorer "Version" sorts at
// or after "4.71.1712.6" by characters, ignoring case (so "10.0" does not).
bool IsInternetExplorerVersionSufficient();

// The message RequireInternetExplorerVersion shows; a program may carry its
// own wording as this string resource, else a built-in English text is used.
inline constexpr UINT kInternetExplorerMessageId = 1916;

// IsInternetExplorerVersionSufficient; when false, first shows the message
// with the exclamation icon and waits for it to be closed.
bool RequireInternetExplorerVersion();

// "TenantId" contains "OnPremise" (case-sensitive).
bool IsOnPremiseTenant();

// "UESAddInLoaded" is "1".
bool IsUesAddInLoaded();

// "corvanta.dat" beside path, else inside it. False for an empty path.
bool HasPlatformDataFileNear(const std::wstring& path);

// "corvanta.dat" in the parent of the running executable's folder.
bool HasPlatformDataFileInParentFolder();

// name is "." or "..".
bool IsDotEntry(const std::wstring& name);

// Both HKLM\Software\Brevanne Koltec\Z5_Common\xKEL_Connectors "path" and
// HKLM\Software\Brevanne Koltec\QuillforgePDM "Location" are non-empty.
bool ArePdmConnectorsInstalled();

// Appends a backslash unless the text ends with one. An empty text stays
// empty: a lone backslash would name the root of the current drive.
void EnsureTrailingBackslash(std::wstring& text);

// Copies the first count characters of text (all of it when count exceeds
// its length, none for count < 1) to buffer and terminates them; returns the
// number copied. buffer must hold count + 1 characters; null copies nothing.
int CopyLeadingCharacters(const std::wstring& text, wchar_t* buffer, int count);

// Deletes the numbered pieces of name (not a plain value of that name) in
// HKCU\Software\<ProductKeyName, or "Quillforge">\subKey. False when that
// key does not open.
bool DeleteChunkedProductValue(const std::wstring& subKey, const std::wstring& name,
                               bool useProductKeyName);

// ReadSettingValue below HKEY_USERS\.DEFAULT\Software, else below
// HKLM\Software; the machine is not asked when the default user's Software
// key does not open.
bool ReadDefaultUserOrMachineSetting(const std::wstring& subKey, const std::wstring& section,
                                     const std::wstring& name, SettingValueType type,
                                     std::wstring* text, DWORD* number, double* value);

// ---- Document and annotation file preview ----------------------------------

// The preview picture of a CAD document or an annotation file (chosen by the
// file's extension) through the document component. The caller initialises
// COM on this thread. application is created on first use and left set for
// later calls; the caller releases it when done. On S_OK, picture holds the
// preview (or null when the component's picture is not an IPicture), its
// old value released. Returns S_OK also when the component reports that the
// document cannot be opened: picture is then untouched. E_FAIL when no
// preview was obtained; the component's own failure code when it cannot be
// created or started. When the factory's CreateApplication succeeds but
// gives no application, that success code (S_OK too) comes back with no
// preview and picture untouched: SUCCEEDED() alone does not tell that a
// preview came. Throws std::bad_alloc only.
HRESULT GetFilePreview(const std::wstring& path, fw::com_ptr<IQfApplication>& application,
                       fw::com_ptr<IPicture>& picture);
