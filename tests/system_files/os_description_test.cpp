#include "library/system_files/os_description_text.h"
#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

using namespace system_files::detail;

namespace {

constexpr WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL, kIa64 = PROCESSOR_ARCHITECTURE_IA64,
               kX64 = PROCESSOR_ARCHITECTURE_AMD64, kArm = PROCESSOR_ARCHITECTURE_ARM;
constexpr BYTE kWs = VER_NT_WORKSTATION, kSrv = VER_NT_SERVER, kDc = VER_NT_DOMAIN_CONTROLLER;

// An NT system that gave the extended record.
OsFacts Nt(DWORD major, DWORD minor, DWORD build, const wchar_t* servicePack, BYTE type, WORD suite,
           WORD architecture, DWORD productCode = 0) {
  return {true, VER_PLATFORM_WIN32_NT, major,       minor, build, servicePack, suite,
          type, architecture,          productCode, {},    false};
}

// An NT 4 system that gave only the basic record, with its ProductOptions text.
OsFacts NtBasic(DWORD major, const wchar_t* servicePack, std::optional<std::wstring> options) {
  OsFacts facts = Nt(major, 0, 1381, servicePack, 0, 0, kX86);
  facts.extendedRecord = false;
  facts.productOptionsType = std::move(options);
  return facts;
}

OsFacts Win9x(DWORD major, DWORD minor, const wchar_t* servicePack) {
  OsFacts facts = Nt(major, minor, 0x040A08AE, servicePack, 0, 0, kX86);
  facts.platformId = VER_PLATFORM_WIN32_WINDOWS;
  return facts;
}

}  // namespace

TEST(OsDescriptionText, EveryNtNameWithEditionAndWidth) {
  // Build 1 without a service pack: each text is "Microsoft Windows ", the
  // name below (up to and with the version's blank) and " (Build 1)".
  const struct {
    DWORD major, minor;
    BYTE type;
    WORD suite, architecture;
    DWORD productCode;
    const wchar_t* name;
  } cases[] = {
      {10, 0, kWs, 0x100, kX64, 4, L"10 Enterprise Edition, 64-bit 10.0 "},
      {10, 0, kSrv, 0x110, kX86, 7, L"Server 2016 Standard Server Edition, 32-bit 10.0 "},
      {6, 3, kWs, 0, kIa64, 48, L"8.1 Unknown Edition, Unknown Processor Architecture 6.3 "},
      {6, 3, kDc, 0x80, kX64, 8, L"Server 2012 R2 Datacenter Server Edition, 64-bit 6.3 "},
      {6, 2, kWs, 0, kX64, 0x30, L"8 Unknown Edition, 64-bit 6.2 "},
      {6, 1, kWs, 0x100, kX64, 48, L"7 Unknown Edition, 64-bit 6.1 "},
      // 6.0 has its own table, whose pieces end in a blank, and a short suffix.
      {6, 0, kWs, 0, kX64, 1, L"Vista Ultimate Edition , 64-bit 6.0 "},
      {6, 0, kWs, 0, kIa64, 5, L"Vista 6.0 "},
      {5, 2, kSrv, 0x2000, kX86, 0, L"Storage Server 2003 Standard Edition 5.2 "},
      {5, 2, kWs, 0x100, kX64, 0, L"XP Professional x64 Edition 5.2 "},
      {5, 2, kSrv, 0x82, kIa64, 0,
       L"Server 2003, Datacenter Edition for Itanium-based Systems 5.2 "},
      {5, 2, kSrv, 2, kIa64, 0, L"Server 2003, Enterprise Edition for Itanium-based Systems 5.2 "},
      {5, 2, kSrv, 0x400, kIa64, 0, L"Server 2003, 5.2 "},
      {5, 2, kSrv, 0x82, kX64, 0, L"Server 2003, Datacenter x64 Edition 5.2 "},
      {5, 2, kSrv, 0x4482, kX86, 0, L"Server 2003, Compute Cluster Edition 5.2 "},
      {5, 2, kSrv, 0x400, kX86, 0, L"Server 2003, Web Edition 5.2 "},
      {5, 1, kWs, 0x300, kX86, 0, L"XP Home Edition 5.1 "},
      {5, 0, kWs, 0x82, kX86, 0, L"2000 Professional 5.0 "},
      {3, 51, kSrv, 0, kX86, 0, L"NT 3.51 "},
      {5, 3, kWs, 0, kX64, 1, L"Latest NT Server 5.3 "},
  };
  for (const auto& c : cases) {
    const OsFacts facts =
        Nt(c.major, c.minor, 1, L"", c.type, c.suite, c.architecture, c.productCode);
    std::wstring text;
    EXPECT_EQ(BuildOsDescription(facts, text), TRUE);
    EXPECT_EQ(text, std::wstring(L"Microsoft Windows ") + c.name + L" (Build 1)");
  }
}

TEST(OsDescriptionText, ServicePackBuildProductOptionsAndOtherPlatforms) {
  OsFacts hotfixed = Nt(4, 0, 1381, L"sERVICE pACK 6", kWs, 0, kX86);
  hotfixed.hotfixQ246009 = true;
  OsFacts fiveWithKey = Nt(5, 0, 2195, L"Service Pack 6", kWs, 0, kX86);
  fiveWithKey.hotfixQ246009 = true;
  OsFacts extended = Nt(4, 0, 1381, L"", kWs, 0, kX86);
  extended.productOptionsType = L"LANMANNT";  // never looked at with the extended record
  OsFacts win32s = Win9x(3, 11, L"");
  win32s.platformId = VER_PLATFORM_WIN32s;
  OsFacts future = Nt(6, 1, 7601, L"Service Pack 1", kWs, 0, kX64, 1);
  future.platformId = 3;
  const struct {
    OsFacts facts;
    const wchar_t* expected;
  } cases[] = {
      // The build is its low word; every ';' becomes ':'.
      {Nt(6, 1, 0xFFFF1DB1, L";Service Pack 1; hotfix;;", kWs, 0, kX64, 48),
       L"Microsoft Windows 7 Unknown Edition, 64-bit 6.1 :Service Pack 1: hotfix:: (Build 7601)"},
      // Q246009 only on NT 4 with "Service Pack 6" in any case.
      {hotfixed, L"Microsoft Windows NT 4.0 Service Pack 6a (Build 1381)"},
      {fiveWithKey, L"Microsoft Windows 2000 Professional 5.0 Service Pack 6 (Build 2195)"},
      // The basic record: the edition from ProductOptions, and a product
      // type of 0, a server.
      {NtBasic(4, L"Service Pack 3", L"WinNT"),
       L"Microsoft Windows NT Workstation 4.0 Service Pack 3 (Build 1381)"},
      {NtBasic(4, L"", L"LANMANNT"), L"Microsoft Windows NT Server 4.0  (Build 1381)"},
      {NtBasic(4, L"", L"servernt"), L"Microsoft Windows NT Advanced Server 4.0  (Build 1381)"},
      {NtBasic(5, L"", L"WinNT"), L"Microsoft Windows 2000 Server Workstation 5.0  (Build 1381)"},
      {extended, L"Microsoft Windows NT 4.0  (Build 1381)"},
      // The 95 family: only the second unit of the service-pack text counts.
      {Win9x(4, 0, L""), L"Microsoft Windows 95 4.0 , "},
      {Win9x(4, 0, L" B"), L"Microsoft Windows 95 OSR2 4.0 ,  B"},
      {Win9x(4, 10, L" A;"), L"Microsoft Windows 98 SE 4.10 ,  A:"},
      {Win9x(4, 90, L" "), L"Microsoft Windows Millennium Edition 4.90 ,  "},
      {Win9x(3, 95, L""), L"Microsoft Windows Pre 95 Edition 3.95 , "},
      {win32s, L"Microsoft Win32s "},
      {future, L""},
  };
  for (const auto& c : cases) {
    std::wstring text = L"left over";
    EXPECT_EQ(BuildOsDescription(c.facts, text), TRUE) << vxtest::WideToUtf8(c.expected);
    EXPECT_EQ(text, c.expected);
  }

  // ProductOptions unreadable: a failure, with the pieces so far.
  std::wstring text = L"left over";
  EXPECT_EQ(BuildOsDescription(NtBasic(4, L"Service Pack 3", std::nullopt), text), FALSE);
  EXPECT_EQ(text, L"Microsoft Windows NT ");
}

TEST(OsDescriptionText, WhichMinorVersionsAskForTheProductCode) {
  EXPECT_EQ(ProductInfoMinorVersion(Nt(10, 7, 1, L"", 1, 0, kX64)), 3u);
  EXPECT_EQ(ProductInfoMinorVersion(Nt(6, 2, 1, L"", 1, 0, kX64)), 2u);
  EXPECT_EQ(ProductInfoMinorVersion(Nt(6, 4, 1, L"", 1, 0, kX64)), std::nullopt);
  EXPECT_EQ(ProductInfoMinorVersion(Win9x(6, 1, L"")), std::nullopt);
}

// Wine reads the Windows version a program is told at its start, from
// HKCU\Software\Wine\AppDefaults\<program>\Version before the prefix-wide
// value: so the probe alone is told another version, and no other program.
TEST(OsDescriptionUnderWine, WinesDefaultAndVersionsSetForTheProbe) {
  std::wstring text = L"not emptied";
  EXPECT_EQ(GetOsDescription(text), TRUE);
  EXPECT_EQ(text, L"Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)");
  EXPECT_EQ(IsWindows2000(), FALSE);
  EXPECT_EQ(IsNtMinorVersionOne(), TRUE);
  const struct {
    const wchar_t* version;
    const char* output;  // text mode: each line feed is CR LF
  } cases[] = {
      {L"winxp", "Microsoft Windows XP Professional 5.1 Service Pack 3 (Build 2600)\r\n0 1"},
      {L"win2k", "Microsoft Windows 2000 Professional 5.0 Service Pack 4 (Build 2195)\r\n1 0"},
      {L"nt40", "Microsoft Windows NT 4.0 Service Pack 6a (Build 1381)\r\n0 0"},
      {L"win98", "Microsoft Windows 98 SE 4.10 ,  A \r\n0 0"},
  };
  vxtest::ScratchKey app(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\system_probe.exe");
  for (const auto& c : cases) {
    ASSERT_TRUE(vxtest::SetText(HKEY_CURRENT_USER, app.path(), L"Version", c.version));
    vxtest::Child child =
        vxtest::StartChild(L"\"" + vxtest::BinPath(L"system_probe.exe") + L"\" os", true);
    EXPECT_EQ(vxtest::ReadAllOutput(child), std::string("1 ") + c.output + "\r\n");
    EXPECT_EQ(vxtest::WaitExit(child, 30000), 0u);
  }
}
