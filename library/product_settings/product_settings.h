#pragma once
// Product settings and platform integration of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Desktop launcher command line -----------------------------------------

// ---- Platform web address --------------------------------------------------

// ---- Window placement setting ----------------------------------------------

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

// ---- Document and annotation file preview ----------------------------------

#include <ocidl.h>

#include "framework/handles.h"
#include "library/product_settings/document_component.h"

// The preview picture of a CAD document or an annotation file (chosen by the
// file's extension) through the document component. The caller initialises
// COM on this thread. application is created on first use and left set for
// later calls; the caller releases it when done. On S_OK, picture holds the
// preview (or null when the component's picture is not an IPicture), its
// old value released. Returns S_OK also when the component reports that the
// document cannot be opened: picture is then untouched. E_FAIL when no
// preview was obtained; the component's own failure code when it cannot be
// created or started. Throws std::bad_alloc only.
HRESULT GetFilePreview(const std::wstring& path, fw::com_ptr<IQfApplication>& application,
                       fw::com_ptr<IPicture>& picture);
