#pragma once
// The operating-system description as a decision over plain facts, apart from
// the calls that gather them, so that every version, edition and architecture
// branch can be driven with any input.

#include <windows.h>

#include <optional>
#include <string>

namespace system_files::detail {

inline constexpr wchar_t kProductOptionsKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\ProductOptions";
inline constexpr wchar_t kProductOptionsValue[] = L"ProductType";
inline constexpr wchar_t kHotfixQ246009Key[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";
// The buffer the "ProductType" text is read into, in bytes.
inline constexpr DWORD kProductOptionsBytes = 80;

// What Windows reports about itself, as GetOsDescription uses it.
struct OsFacts {
  bool extendedRecord = false;  // the extended version query succeeded
  DWORD platformId = 0;
  DWORD majorVersion = 0;
  DWORD minorVersion = 0;
  DWORD buildNumber = 0;
  std::wstring servicePack;  // szCSDVersion up to its NUL
  WORD suiteMask = 0;        // 0 with the basic record
  BYTE productType = 0;      // 0 with the basic record
  WORD processorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  // GetProductInfo's code; 0 where it was not asked or is not exported.
  DWORD productInfoCode = 0;
  // ProductOptions "ProductType"; nullopt when the key or value could not be
  // read or did not fit. Only consulted when NeedsProductOptions().
  std::optional<std::wstring> productOptionsType;
  // The Q246009 hotfix key opened. Only consulted when NeedsHotfixQ246009().
  bool hotfixQ246009 = false;
};

// The facts of a version record; extended tells which query filled it.
OsFacts FactsFromVersionRecord(const OSVERSIONINFOEXW& record, bool extended);

// The minor version to hand GetProductInfo (its major is always 6), or
// nullopt when the description uses no product code for these facts.
std::optional<DWORD> ProductInfoMinorVersion(const OsFacts& facts);
// An NT system that gave only the basic record: the edition comes from
// ProductOptions.
bool NeedsProductOptions(const OsFacts& facts);
// NT 4.0 with "Service Pack 6" (any case): the 6a hotfix key decides.
bool NeedsHotfixQ246009(const OsFacts& facts);

// The description of these facts, built into text (emptied first). FALSE,
// with the pieces built so far and no ';' replaced, when NeedsProductOptions
// and productOptionsType is nullopt; TRUE otherwise.
BOOL BuildOsDescription(const OsFacts& facts, std::wstring& text);

// The 6.0 edition piece of a product code, with its trailing blank; empty for
// a code without one.
const wchar_t* VistaEditionPiece(DWORD productType);

bool IsWindows2000Version(const OsFacts& facts);
bool IsNtMinorVersionOneVersion(const OsFacts& facts);

// The version query shared by the routines: the extended record first, the
// basic one when that fails. False when both fail.
bool QueryVersion(OSVERSIONINFOEXW& record, bool& extended);

// The ProductOptions text below root\keyPath: up to its first NUL and never
// past the bytes read, so a value filling all 80 bytes without a terminator
// still gives 40 units. nullopt when the key does not open, the value cannot
// be read, or it is longer than 80 bytes.
std::optional<std::wstring> ReadProductOptionsType(HKEY root, const wchar_t* keyPath);

}  // namespace system_files::detail
