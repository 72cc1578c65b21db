#include "library/system_files/os_description_text.h"
#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace vxtest;
using namespace system_files::detail;

namespace {

constexpr WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL, kIa64 = PROCESSOR_ARCHITECTURE_IA64,
               kX64 = PROCESSOR_ARCHITECTURE_AMD64;
constexpr BYTE kWs = VER_NT_WORKSTATION, kSrv = VER_NT_SERVER;

// An NT system that gave the extended record; with a ProductOptions text, only the basic one.
OsFacts Nt(DWORD major, DWORD minor, DWORD build, const wchar_t* servicePack, BYTE type, WORD suite,
           WORD architecture, DWORD productCode = 0, const wchar_t* options = nullptr) {
  OsFacts facts{!options, VER_PLATFORM_WIN32_NT, major,       minor, build, servicePack, suite,
                type,     architecture,          productCode, {},    false};
  if (options) facts.productOptionsType = options;
  return facts;
}

}  // namespace

TEST(OsDescriptionText, NamesEditionsServicePacksAndPlatforms) {
  OsFacts hotfixed = Nt(4, 0, 1381, L"sERVICE pACK 6", kWs, 0, kX86),
          win95 = Nt(4, 0, 0x040A08AE, L" B", 0, 0, kX86);
  hotfixed.hotfixQ246009 = true;
  win95.platformId = VER_PLATFORM_WIN32_WINDOWS;
  OsFacts unreadable = Nt(4, 0, 1381, L"", 0, 0, kX86, 0, L"");
  unreadable.productOptionsType.reset();
  const struct {
    OsFacts facts;
    const wchar_t* expected;  // after "Microsoft Windows "
    BOOL ok = TRUE;
  } cases[] = {
      {Nt(10, 0, 1, L"", kSrv, 0x110, kX86, 7),
       L"Server 2016 Standard Server Edition, 32-bit 10.0  (Build 1)"},
      {Nt(5, 2, 1, L"", kSrv, 0x82, kIa64),
       L"Server 2003, Datacenter Edition for Itanium-based Systems 5.2  (Build 1)"},
      // The build is its low word; every ';' becomes ':'.
      {Nt(6, 1, 0xFFFF1DB1, L";Service Pack 1;;", kWs, 0, kX64, 48),
       L"7 Unknown Edition, 64-bit 6.1 :Service Pack 1:: (Build 7601)"},
      {hotfixed, L"NT 4.0 Service Pack 6a (Build 1381)"},
      // The basic record: the edition from ProductOptions, and a product type of 0, a server.
      {Nt(4, 0, 1381, L"", 0, 0, kX86, 0, L"LANMANNT"), L"NT Server 4.0  (Build 1381)"},
      {Nt(5, 0, 1381, L"", 0, 0, kX86, 0, L"WinNT"), L"2000 Server Workstation 5.0  (Build 1381)"},
      // The 95 family: only the second unit of the service-pack text counts.
      {win95, L"95 OSR2 4.0 ,  B"},
      {unreadable, L"NT ", FALSE},  // no ProductOptions: what was built so far
  };
  for (const auto& c : cases) {
    std::wstring text = L"left over";
    EXPECT_EQ(BuildOsDescription(c.facts, text), c.ok) << WideToUtf8(c.expected);
    EXPECT_EQ(text, std::wstring(L"Microsoft Windows ") + c.expected);
  }
}

// Wine reads HKCU\Software\Wine\AppDefaults\<program>\Version first: the probe alone is told.
TEST(OsDescriptionUnderWine, WinesDefaultAndVersionsSetForTheProbe) {
  std::wstring text = L"not emptied";
  EXPECT_EQ(GetOsDescription(text), TRUE);
  EXPECT_EQ(text, L"Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)");
  // The probe's output, in text mode: each line feed is CR LF.
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"winxp", "Microsoft Windows XP Professional 5.1 Service Pack 3 (Build 2600)\r\n0 1"},
      {L"win2k", "Microsoft Windows 2000 Professional 5.0 Service Pack 4 (Build 2195)\r\n1 0"},
      {L"win98", "Microsoft Windows 98 SE 4.10 ,  A \r\n0 0"},
  };
  ScratchKey app(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\system_probe.exe");
  for (const auto& [version, output] : cases) {
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, app.path(), L"Version", version));
    Child child = StartChild(L"\"" + BinPath(L"system_probe.exe") + L"\" os", true);
    EXPECT_EQ(OutputAndExit(child, 30000), std::string("1 ") + output + "\r\nexit 0");
  }
}
