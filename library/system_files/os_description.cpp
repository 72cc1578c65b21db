#include "library/system_files/os_description_text.h"
#include "library/system_files/system_files.h"

#include <algorithm>
#include <iterator>

#include "framework/handles.h"
#include "framework/text.h"

namespace system_files::detail {
namespace {

constexpr WORD kSuiteEnterprise = 0x0002;
constexpr WORD kSuiteDatacenter = 0x0080;
constexpr WORD kSuitePersonal = 0x0200;
constexpr WORD kSuiteBlade = 0x0400;
constexpr WORD kSuiteStorageServer = 0x2000;
constexpr WORD kSuiteComputeServer = 0x4000;

// Indexed by product code; codes without an entry are null.
constexpr const wchar_t* kVistaEditions[] = {
    nullptr,
    L"Ultimate Edition ",
    L"Home Basic Edition ",
    L"Home Premium Edition ",
    L"Enterprise Edition ",
    nullptr,
    L"Business Edition ",
    L"Standard Edition ",
    L"Datacenter Edition ",
    L"Small Business Server ",
    L"Enterprise Edition ",
    L"Starter Edition ",
    L"Datacenter Edition (core installation) ",
    L"Standard Edition (core installation) ",
    L"Enterprise Edition (core installation) ",
    L"Enterprise Edition for Itanium-based Systems ",
    nullptr,
    L"Web Server Edition ",
    L"Cluster Server Edition ",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    L"Small Business Server Premium Edition ",
};

// The versions are unsigned but shown as signed numbers, as "%d" shows them.
std::wstring Number(DWORD value) { return std::to_wstring(static_cast<int>(value)); }

std::wstring VersionNumbers(const OsFacts& facts) {
  return Number(facts.majorVersion) + L"." + Number(facts.minorVersion) + L" ";
}

bool IsWorkstation(const OsFacts& facts) { return facts.productType == VER_NT_WORKSTATION; }

// The architecture piece; an unknown architecture gives unknownText.
const wchar_t* ArchitectureSuffix(WORD architecture, const wchar_t* unknownText) {
  switch (architecture) {
    case PROCESSOR_ARCHITECTURE_AMD64:
      return L", 64-bit ";
    case PROCESSOR_ARCHITECTURE_INTEL:
      return L", 32-bit ";
    default:
      return unknownText;
  }
}

void AppendServer2003(const OsFacts& facts, std::wstring& text) {
  const WORD suite = facts.suiteMask;
  const WORD architecture = facts.processorArchitecture;
  // The whole mask, not a bit: a storage server with any other suite bit is
  // named as an ordinary Server 2003.
  if (suite == kSuiteStorageServer) {
    text += L"Windows Storage Server 2003 ";
  } else if (IsWorkstation(facts) && architecture == PROCESSOR_ARCHITECTURE_AMD64) {
    text += L"Windows XP Professional x64 Edition ";
  } else {
    text += L"Windows Server 2003, ";
  }
  if (IsWorkstation(facts)) return;

  if (architecture == PROCESSOR_ARCHITECTURE_IA64) {
    if (suite & kSuiteDatacenter) {
      text += L"Datacenter Edition for Itanium-based Systems ";
    } else if (suite & kSuiteEnterprise) {
      text += L"Enterprise Edition for Itanium-based Systems ";
    }
  } else if (architecture == PROCESSOR_ARCHITECTURE_AMD64) {
    if (suite & kSuiteDatacenter) {
      text += L"Datacenter x64 Edition ";
    } else if (suite & kSuiteEnterprise) {
      text += L"Enterprise x64 Edition ";
    } else {
      text += L"Standard x64 Edition ";
    }
  } else {
    if (suite & kSuiteComputeServer) {
      text += L"Compute Cluster Edition ";
    } else if (suite & kSuiteDatacenter) {
      text += L"Datacenter Edition ";
    } else if (suite & kSuiteEnterprise) {
      text += L"Enterprise Edition ";
    } else if (suite & kSuiteBlade) {
      text += L"Web Edition ";
    } else {
      text += L"Standard Edition ";
    }
  }
}

// The family, edition and architecture pieces of the NT family.
void AppendNtName(const OsFacts& facts, std::wstring& text) {
  const DWORD major = facts.majorVersion;
  const DWORD minor = facts.minorVersion;
  const bool workstation = IsWorkstation(facts);
  const auto appendEditionAndWidth = [&](const wchar_t* workstationName,
                                         const wchar_t* serverName) {
    text += workstation ? workstationName : serverName;
    AppendEditionName(text, facts.productInfoCode);
    text += ArchitectureSuffix(facts.processorArchitecture, L", Unknown Processor Architecture ");
  };

  if (major == 10) {
    appendEditionAndWidth(L"Windows 10 ", L"Windows Server 2016 ");
  } else if (major == 6 && minor == 3) {
    appendEditionAndWidth(L"Windows 8.1 ", L"Windows Server 2012 R2 ");
  } else if (major == 6 && minor == 2) {
    appendEditionAndWidth(L"Windows 8 ", L"Windows Server 2012 ");
  } else if (major == 6 && minor == 1) {
    appendEditionAndWidth(L"Windows 7 ", L"Windows Server 2008 R2 ");
  } else if (major == 6 && minor == 0) {
    text += workstation ? L"Windows Vista " : L"Windows Server 2008 ";
    text += VistaEditionPiece(facts.productInfoCode);
    text += ArchitectureSuffix(facts.processorArchitecture, L"");
  } else if (major == 5 && minor == 2) {
    AppendServer2003(facts, text);
  } else if (major == 5 && minor == 1) {
    text += L"Windows XP ";
    text += (facts.suiteMask & kSuitePersonal) ? L"Home Edition " : L"Professional ";
  } else if (major == 5 && minor == 0) {
    text += L"Windows 2000 ";
    if (workstation) {
      text += L"Professional ";
    } else if (facts.suiteMask & kSuiteDatacenter) {
      text += L"Datacenter Server ";
    } else if (facts.suiteMask & kSuiteEnterprise) {
      text += L"Advanced Server ";
    } else {
      text += L"Server ";
    }
  } else if (major <= 4) {
    text += L"Windows NT ";
  } else {
    // 5.3 and up, 6.4 and up, 7 to 9, 11 and up: versions this text predates.
    text += L"Windows Latest NT Server ";
  }
}

// False when the ProductOptions answer is needed and missing.
bool AppendNtDescription(const OsFacts& facts, std::wstring& text) {
  text += L"Microsoft ";
  AppendNtName(facts, text);

  if (NeedsProductOptions(facts)) {
    if (!facts.productOptionsType) return false;
    // All three words are compared; a value can match at most one of them.
    const wchar_t* const type = facts.productOptionsType->c_str();
    if (::lstrcmpiW(type, L"WINNT") == 0) text += L"Workstation ";
    if (::lstrcmpiW(type, L"LANMANNT") == 0) text += L"Server ";
    if (::lstrcmpiW(type, L"SERVERNT") == 0) text += L"Advanced Server ";
  }

  text += VersionNumbers(facts);

  const std::wstring build = Number(facts.buildNumber & 0xFFFF);
  if (NeedsHotfixQ246009(facts) && facts.hotfixQ246009) {
    text += L"Service Pack 6a (Build " + build + L")";
  } else {
    text += facts.servicePack + L" (Build " + build + L")";
  }
  return true;
}

void Append9xDescription(const OsFacts& facts, std::wstring& text) {
  const DWORD major = facts.majorVersion;
  const DWORD minor = facts.minorVersion;
  // The record's buffer holds a NUL there when the text is shorter.
  const wchar_t second = facts.servicePack.size() > 1 ? facts.servicePack[1] : L'\0';
  if (major == 4 && minor == 0) {
    text += L"Microsoft Windows 95 ";
    if (second == L'B' || second == L'C') text += L"OSR2 ";
  } else if (major == 4 && minor == 10) {
    text += L"Microsoft Windows 98 ";
    if (second == L'A') text += L"SE ";
  } else if (major == 4 && minor == 90) {
    text += L"Microsoft Windows Millennium Edition ";
  } else if (major >= 4) {
    text += L"Microsoft Windows Latest 95 Edition ";
  } else {
    text += L"Microsoft Windows Pre 95 Edition ";
  }
  text += VersionNumbers(facts);
  text += L", ";
  text += facts.servicePack;
}

}  // namespace

OsFacts FactsFromVersionRecord(const OSVERSIONINFOEXW& record, bool extended) {
  OsFacts facts;
  facts.extendedRecord = extended;
  facts.platformId = record.dwPlatformId;
  facts.majorVersion = record.dwMajorVersion;
  facts.minorVersion = record.dwMinorVersion;
  facts.buildNumber = record.dwBuildNumber;
  facts.servicePack = fw::BoundedText(record.szCSDVersion, std::size(record.szCSDVersion));
  facts.suiteMask = extended ? record.wSuiteMask : 0;
  facts.productType = extended ? record.wProductType : 0;
  return facts;
}

std::optional<DWORD> ProductInfoMinorVersion(const OsFacts& facts) {
  if (facts.platformId != VER_PLATFORM_WIN32_NT) return std::nullopt;
  if (facts.majorVersion == 10) return 3;
  if (facts.majorVersion == 6 && facts.minorVersion <= 3) return facts.minorVersion;
  return std::nullopt;
}

bool NeedsProductOptions(const OsFacts& facts) {
  return facts.platformId == VER_PLATFORM_WIN32_NT && !facts.extendedRecord;
}

bool NeedsHotfixQ246009(const OsFacts& facts) {
  return facts.platformId == VER_PLATFORM_WIN32_NT && facts.majorVersion == 4 &&
         ::lstrcmpiW(facts.servicePack.c_str(), L"Service Pack 6") == 0;
}

BOOL BuildOsDescription(const OsFacts& facts, std::wstring& text) {
  text.clear();
  switch (facts.platformId) {
    case VER_PLATFORM_WIN32_NT:
      if (!AppendNtDescription(facts, text)) return FALSE;
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      Append9xDescription(facts, text);
      break;
    case VER_PLATFORM_WIN32s:
      text += L"Microsoft Win32s ";
      break;
    default:
      break;
  }
  // No ';' leaves this routine, not even one Windows put in its own texts.
  std::replace(text.begin(), text.end(), L';', L':');
  return TRUE;
}

const wchar_t* VistaEditionPiece(DWORD productType) {
  if (productType >= std::size(kVistaEditions)) return L"";
  const wchar_t* piece = kVistaEditions[productType];
  return piece ? piece : L"";
}

bool IsWindows2000Version(const OsFacts& facts) {
  return facts.platformId == VER_PLATFORM_WIN32_NT && facts.majorVersion == 5 &&
         facts.minorVersion == 0;
}

bool IsNtMinorVersionOneVersion(const OsFacts& facts) {
  return facts.platformId == VER_PLATFORM_WIN32_NT && facts.minorVersion == 1;
}

bool QueryVersion(OSVERSIONINFOEXW& record, bool& extended) {
  // GetVersionExW is deprecated for feature tests; here the version itself is
  // what is wanted. Without a supportedOS manifest entry Windows 8.1 and later
  // report themselves as 6.2.
#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
  record = {};
  record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
  extended = ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record)) != FALSE;
  if (extended) return true;
  // Zeroed again so that the fields only the extended record has read as 0.
  record = {};
  record.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  return ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record)) != FALSE;
#ifdef _MSC_VER
#pragma warning(pop)
#endif
}

std::optional<std::wstring> ReadProductOptionsType(HKEY root, const wchar_t* keyPath) {
  fw::unique_hkey key;
  if (::RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  wchar_t buffer[kProductOptionsBytes / sizeof(wchar_t)] = {};
  DWORD bytes = kProductOptionsBytes;
  // A longer value fails here with ERROR_MORE_DATA and counts as unreadable.
  if (::RegQueryValueExW(key.get(), kProductOptionsValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
      bytes > kProductOptionsBytes) {
    return std::nullopt;
  }
  return fw::BoundedText(buffer, bytes / sizeof(wchar_t));
}

}  // namespace system_files::detail

namespace {

using namespace system_files::detail;

WORD NativeProcessorArchitecture() {
  SYSTEM_INFO info = {};
  using GetNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const FARPROC proc = kernel ? ::GetProcAddress(kernel, "GetNativeSystemInfo") : nullptr;
  if (proc) {
    reinterpret_cast<GetNativeSystemInfoFn>(reinterpret_cast<void (*)()>(proc))(&info);
  } else {
    ::GetSystemInfo(&info);
  }
  return info.wProcessorArchitecture;
}

// 0 (PRODUCT_UNDEFINED) when kernel32 does not export GetProductInfo: the
// description then names the edition "Unknown Edition" (or none on 6.0)
// rather than calling through a null pointer.
DWORD ProductInfoCode(DWORD minorVersion) {
  using GetProductInfoFn = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const FARPROC proc = kernel ? ::GetProcAddress(kernel, "GetProductInfo") : nullptr;
  if (!proc) return 0;
  DWORD code = 0;
  // Its own result is not looked at: on failure it writes PRODUCT_UNDEFINED.
  reinterpret_cast<GetProductInfoFn>(reinterpret_cast<void (*)()>(proc))(6, minorVersion, 0, 0,
                                                                         &code);
  return code;
}

bool KeyOpens(HKEY root, const wchar_t* keyPath) {
  fw::unique_hkey key;
  return ::RegOpenKeyExW(root, keyPath, 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
}

}  // namespace

BOOL GetOsDescription(std::wstring& text) {
  text.clear();
  OSVERSIONINFOEXW record;
  bool extended = false;
  if (!QueryVersion(record, extended)) return FALSE;

  OsFacts facts = FactsFromVersionRecord(record, extended);
  facts.processorArchitecture = NativeProcessorArchitecture();
  if (const auto minor = ProductInfoMinorVersion(facts)) {
    facts.productInfoCode = ProductInfoCode(*minor);
  }
  if (NeedsProductOptions(facts)) {
    facts.productOptionsType = ReadProductOptionsType(HKEY_LOCAL_MACHINE, kProductOptionsKey);
  }
  if (NeedsHotfixQ246009(facts)) {
    facts.hotfixQ246009 = KeyOpens(HKEY_LOCAL_MACHINE, kHotfixQ246009Key);
  }
  return BuildOsDescription(facts, text);
}

void AppendEditionName(std::wstring& text, DWORD productType) {
  static constexpr const wchar_t* kEditions[] = {
      nullptr,
      L"Ultimate Edition",
      L"Home Basic Edition",
      L"Home Premium Edition",
      L"Enterprise Edition",
      L"Home Basic N Edition",
      L"Business Edition",
      L"Standard Server Edition",
      L"Datacenter Server Edition",
      L"Small Business Server Edition",
      L"Enterprise Server Edition",
      L"Starter Edition",
      L"Datacenter Server Core Edition",
      L"Standard Server Core Edition",
      L"Enterprise Server Core Edition",
      L"Enterprise Server IA64 Edition",
      L"Business N Edition",
      L"Web Server Edition",
      L"Cluster Server Edition",
      L"Home Server Edition",
      L"Storage Express Server Edition",
      L"Storage Standard Server Edition",
      L"Storage Workgroup Server Edition",
      L"Storage Enterprise Server Edition",
      L"Server For Small Business Edition",
      L"Small Business Server Premium Edition",
  };
  if (productType >= 1 && productType < std::size(kEditions)) {
    text += kEditions[productType];
  } else {
    text += L"Unknown Edition";
  }
}

BOOL IsWindows2000() {
  OSVERSIONINFOEXW record;
  bool extended = false;
  if (!QueryVersion(record, extended)) return FALSE;
  return IsWindows2000Version(FactsFromVersionRecord(record, extended)) ? TRUE : FALSE;
}

BOOL IsNtMinorVersionOne() {
  OSVERSIONINFOEXW record;
  bool extended = false;
  if (!QueryVersion(record, extended)) return FALSE;
  return IsNtMinorVersionOneVersion(FactsFromVersionRecord(record, extended)) ? TRUE : FALSE;
}
