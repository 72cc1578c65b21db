// The operating-system description: every branch fed as facts, and the real
// routine under the versions Wine can be told to report.

#include "library/system_files/os_description_text.h"
#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

using namespace system_files::detail;

namespace {

constexpr WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL;
constexpr WORD kIa64 = PROCESSOR_ARCHITECTURE_IA64;
constexpr WORD kX64 = PROCESSOR_ARCHITECTURE_AMD64;
constexpr WORD kArm = PROCESSOR_ARCHITECTURE_ARM;
constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = VER_NT_SERVER;
constexpr BYTE kDomainController = VER_NT_DOMAIN_CONTROLLER;

// An NT system that gave the extended record.
OsFacts Nt(DWORD major, DWORD minor, DWORD build, const wchar_t* servicePack, BYTE productType,
           WORD suiteMask, WORD architecture, DWORD productCode = 0) {
  OsFacts facts;
  facts.extendedRecord = true;
  facts.platformId = VER_PLATFORM_WIN32_NT;
  facts.majorVersion = major;
  facts.minorVersion = minor;
  facts.buildNumber = build;
  facts.servicePack = servicePack;
  facts.productType = productType;
  facts.suiteMask = suiteMask;
  facts.processorArchitecture = architecture;
  facts.productInfoCode = productCode;
  return facts;
}

// An NT system that gave only the basic record, with its ProductOptions text.
OsFacts NtBasic(DWORD major, DWORD minor, DWORD build, const wchar_t* servicePack,
                std::optional<std::wstring> productOptions) {
  OsFacts facts = Nt(major, minor, build, servicePack, 0, 0, kX86);
  facts.extendedRecord = false;
  facts.productOptionsType = std::move(productOptions);
  return facts;
}

OsFacts Win9x(DWORD major, DWORD minor, const wchar_t* servicePack) {
  OsFacts facts;
  facts.extendedRecord = true;
  facts.platformId = VER_PLATFORM_WIN32_WINDOWS;
  facts.majorVersion = major;
  facts.minorVersion = minor;
  facts.buildNumber = 0x040A08AE;
  facts.servicePack = servicePack;
  return facts;
}

struct DescriptionCase {
  const char* what;
  OsFacts facts;
  const wchar_t* expected;
};

void ExpectDescriptions(const std::vector<DescriptionCase>& cases) {
  for (const DescriptionCase& c : cases) {
    std::wstring text = L"left over";
    EXPECT_EQ(BuildOsDescription(c.facts, text), TRUE) << c.what;
    EXPECT_EQ(text, c.expected) << c.what;
  }
}

}  // namespace

// ---- The text, fed as facts ---------------------------------------------------

TEST(OsDescriptionText, ProductCodeVersions) {
  ExpectDescriptions({
      {"10 enterprise, empty service pack: two blanks before the build",
       Nt(10, 0, 19045, L"", kWorkstation, 0x0100, kX64, 4),
       L"Microsoft Windows 10 Enterprise Edition, 64-bit 10.0  (Build 19045)"},
      {"10 server, x86", Nt(10, 0, 14393, L"", kServer, 0x0110, kX86, 7),
       L"Microsoft Windows Server 2016 Standard Server Edition, 32-bit 10.0  (Build 14393)"},
      {"10 with any minor", Nt(10, 5, 1, L"", kWorkstation, 0, kX64, 48),
       L"Microsoft Windows 10 Unknown Edition, 64-bit 10.5  (Build 1)"},
      {"8.1 on Itanium", Nt(6, 3, 9600, L"", kWorkstation, 0, kIa64, 48),
       L"Microsoft Windows 8.1 Unknown Edition, Unknown Processor Architecture 6.3  (Build 9600)"},
      {"2012 R2, a domain controller counts as server",
       Nt(6, 3, 9600, L"", kDomainController, 0x0080, kX64, 8),
       L"Microsoft Windows Server 2012 R2 Datacenter Server Edition, 64-bit 6.3  (Build 9600)"},
      {"8", Nt(6, 2, 9200, L"", kWorkstation, 0, kX64, 0x30),
       L"Microsoft Windows 8 Unknown Edition, 64-bit 6.2  (Build 9200)"},
      {"2012 without a product code (GetProductInfo not exported)",
       Nt(6, 2, 9200, L"", kServer, 0, kX64, 0),
       L"Microsoft Windows Server 2012 Unknown Edition, 64-bit 6.2  (Build 9200)"},
      {"7 professional: code 48 is outside the edition table",
       Nt(6, 1, 7601, L"Service Pack 1", kWorkstation, 0x0100, kX64, 48),
       L"Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)"},
      {"2008 R2", Nt(6, 1, 7601, L"Service Pack 1", kServer, 0x0002, kX64, 10),
       L"Microsoft Windows Server 2008 R2 Enterprise Server Edition, 64-bit 6.1 Service Pack 1 "
       L"(Build 7601)"},
      {"7 on ARM: the full suffix names the unknown",
       Nt(6, 1, 7601, L"Service Pack 1", kWorkstation, 0, kArm, 1),
       L"Microsoft Windows 7 Ultimate Edition, Unknown Processor Architecture 6.1 Service Pack 1 "
       L"(Build 7601)"},
      {"7, last edition of the table", Nt(6, 1, 7600, L"", kWorkstation, 0, kX86, 25),
       L"Microsoft Windows 7 Small Business Server Premium Edition, 32-bit 6.1  (Build 7600)"},
  });
}

TEST(OsDescriptionText, VistaAndServer2008UseTheirOwnTable) {
  ExpectDescriptions({
      {"vista ultimate: the table's blank comes before the comma",
       Nt(6, 0, 6002, L"Service Pack 2", kWorkstation, 0, kX64, 1),
       L"Microsoft Windows Vista Ultimate Edition , 64-bit 6.0 Service Pack 2 (Build 6002)"},
      {"2008 datacenter, x86", Nt(6, 0, 6002, L"Service Pack 2", kServer, 0x80, kX86, 8),
       L"Microsoft Windows Server 2008 Datacenter Edition , 32-bit 6.0 Service Pack 2 (Build "
       L"6002)"},
      {"code 5 has no row, Itanium has no short suffix",
       Nt(6, 0, 6001, L"Service Pack 1", kWorkstation, 0, kIa64, 5),
       L"Microsoft Windows Vista 6.0 Service Pack 1 (Build 6001)"},
      {"ARM: no suffix at all on 6.0", Nt(6, 0, 6000, L"", kWorkstation, 0, kArm, 3),
       L"Microsoft Windows Vista Home Premium Edition 6.0  (Build 6000)"},
      {"no product code", Nt(6, 0, 6000, L"", kWorkstation, 0, kX86, 0),
       L"Microsoft Windows Vista , 32-bit 6.0  (Build 6000)"},
      {"Wine's code 0x1C", Nt(6, 0, 6002, L"Service Pack 2", kWorkstation, 0, kX64, 0x1C),
       L"Microsoft Windows Vista , 64-bit 6.0 Service Pack 2 (Build 6002)"},
  });
}

TEST(OsDescriptionText, Server2003Family) {
  const wchar_t* sp2 = L"Service Pack 2";
  ExpectDescriptions({
      {"storage server: mask exactly 0x2000", Nt(5, 2, 3790, sp2, kServer, 0x2000, kX86),
       L"Microsoft Windows Storage Server 2003 Standard Edition 5.2 Service Pack 2 (Build 3790)"},
      {"storage bit with another bit is an ordinary 2003",
       Nt(5, 2, 3790, sp2, kServer, 0x2002, kX86),
       L"Microsoft Windows Server 2003, Enterprise Edition 5.2 Service Pack 2 (Build 3790)"},
      {"storage name wins over XP x64", Nt(5, 2, 3790, sp2, kWorkstation, 0x2000, kX64),
       L"Microsoft Windows Storage Server 2003 5.2 Service Pack 2 (Build 3790)"},
      {"XP x64", Nt(5, 2, 3790, sp2, kWorkstation, 0x0100, kX64),
       L"Microsoft Windows XP Professional x64 Edition 5.2 Service Pack 2 (Build 3790)"},
      {"workstation on x86: the server name, no edition",
       Nt(5, 2, 3790, sp2, kWorkstation, 0, kX86),
       L"Microsoft Windows Server 2003, 5.2 Service Pack 2 (Build 3790)"},
      {"itanium datacenter over enterprise", Nt(5, 2, 3790, sp2, kServer, 0x0082, kIa64),
       L"Microsoft Windows Server 2003, Datacenter Edition for Itanium-based Systems 5.2 Service "
       L"Pack 2 (Build 3790)"},
      {"itanium enterprise", Nt(5, 2, 3790, sp2, kServer, 0x0002, kIa64),
       L"Microsoft Windows Server 2003, Enterprise Edition for Itanium-based Systems 5.2 Service "
       L"Pack 2 (Build 3790)"},
      {"itanium plain: nothing", Nt(5, 2, 3790, sp2, kServer, 0x0400, kIa64),
       L"Microsoft Windows Server 2003, 5.2 Service Pack 2 (Build 3790)"},
      {"x64 datacenter", Nt(5, 2, 3790, sp2, kServer, 0x0082, kX64),
       L"Microsoft Windows Server 2003, Datacenter x64 Edition 5.2 Service Pack 2 (Build 3790)"},
      {"x64 enterprise", Nt(5, 2, 3790, sp2, kServer, 0x0002, kX64),
       L"Microsoft Windows Server 2003, Enterprise x64 Edition 5.2 Service Pack 2 (Build 3790)"},
      {"x64 standard", Nt(5, 2, 3790, sp2, kServer, 0x0110, kX64),
       L"Microsoft Windows Server 2003, Standard x64 Edition 5.2 Service Pack 2 (Build 3790)"},
      {"compute cluster first", Nt(5, 2, 3790, sp2, kServer, 0x4482, kX86),
       L"Microsoft Windows Server 2003, Compute Cluster Edition 5.2 Service Pack 2 (Build 3790)"},
      {"datacenter", Nt(5, 2, 3790, sp2, kServer, 0x0482, kX86),
       L"Microsoft Windows Server 2003, Datacenter Edition 5.2 Service Pack 2 (Build 3790)"},
      {"enterprise over web", Nt(5, 2, 3790, sp2, kServer, 0x0402, kX86),
       L"Microsoft Windows Server 2003, Enterprise Edition 5.2 Service Pack 2 (Build 3790)"},
      {"web", Nt(5, 2, 3790, sp2, kServer, 0x0400, kX86),
       L"Microsoft Windows Server 2003, Web Edition 5.2 Service Pack 2 (Build 3790)"},
      {"standard, on an unknown architecture", Nt(5, 2, 3790, sp2, kServer, 0, kArm),
       L"Microsoft Windows Server 2003, Standard Edition 5.2 Service Pack 2 (Build 3790)"},
  });
}

TEST(OsDescriptionText, XpAnd2000) {
  ExpectDescriptions({
      {"XP home", Nt(5, 1, 2600, L"Service Pack 3", kWorkstation, 0x0300, kX86),
       L"Microsoft Windows XP Home Edition 5.1 Service Pack 3 (Build 2600)"},
      {"XP professional, no width even on x64",
       Nt(5, 1, 2600, L"Service Pack 3", kWorkstation, 0x0100, kX64),
       L"Microsoft Windows XP Professional 5.1 Service Pack 3 (Build 2600)"},
      {"2000 professional", Nt(5, 0, 2195, L"Service Pack 4", kWorkstation, 0x0082, kX86),
       L"Microsoft Windows 2000 Professional 5.0 Service Pack 4 (Build 2195)"},
      {"2000 datacenter", Nt(5, 0, 2195, L"Service Pack 4", kServer, 0x0082, kX86),
       L"Microsoft Windows 2000 Datacenter Server 5.0 Service Pack 4 (Build 2195)"},
      {"2000 advanced", Nt(5, 0, 2195, L"Service Pack 4", kServer, 0x0002, kX86),
       L"Microsoft Windows 2000 Advanced Server 5.0 Service Pack 4 (Build 2195)"},
      {"2000 server", Nt(5, 0, 2195, L"", kDomainController, 0x0400, kX86),
       L"Microsoft Windows 2000 Server 5.0  (Build 2195)"},
  });
}

TEST(OsDescriptionText, NtFourAndVersionsNotKnown) {
  OsFacts hotfixed = Nt(4, 0, 1381, L"sERVICE pACK 6", kWorkstation, 0, kX86);
  hotfixed.hotfixQ246009 = true;
  OsFacts fiveWithKey = Nt(5, 0, 2195, L"Service Pack 6", kWorkstation, 0, kX86);
  fiveWithKey.hotfixQ246009 = true;
  ExpectDescriptions({
      {"NT 4", Nt(4, 0, 1381, L"Service Pack 5", kWorkstation, 0, kX86),
       L"Microsoft Windows NT 4.0 Service Pack 5 (Build 1381)"},
      {"NT 3.51", Nt(3, 51, 1057, L"Service Pack 5", kServer, 0, kX86),
       L"Microsoft Windows NT 3.51 Service Pack 5 (Build 1057)"},
      {"NT 4 SP6 with Q246009, any case", hotfixed,
       L"Microsoft Windows NT 4.0 Service Pack 6a (Build 1381)"},
      {"NT 4 SP6 without Q246009", Nt(4, 0, 1381, L"service pack 6", kWorkstation, 0, kX86),
       L"Microsoft Windows NT 4.0 service pack 6 (Build 1381)"},
      {"Q246009 only matters on NT 4", fiveWithKey,
       L"Microsoft Windows 2000 Professional 5.0 Service Pack 6 (Build 2195)"},
      {"5.3", Nt(5, 3, 4000, L"", kWorkstation, 0, kX64, 1),
       L"Microsoft Windows Latest NT Server 5.3  (Build 4000)"},
      {"6.4 asks no product code", Nt(6, 4, 9841, L"", kWorkstation, 0, kX64, 1),
       L"Microsoft Windows Latest NT Server 6.4  (Build 9841)"},
      {"7", Nt(7, 0, 1, L"", kWorkstation, 0, kX64, 1),
       L"Microsoft Windows Latest NT Server 7.0  (Build 1)"},
      {"9", Nt(9, 9, 1, L"", kServer, 0, kX64, 1),
       L"Microsoft Windows Latest NT Server 9.9  (Build 1)"},
      {"11", Nt(11, 0, 22000, L"", kWorkstation, 0, kX64, 1),
       L"Microsoft Windows Latest NT Server 11.0  (Build 22000)"},
  });
}

TEST(OsDescriptionText, BuildIsItsLowWordAndSemicolonsBecomeColons) {
  ExpectDescriptions({
      {"build above 65535", Nt(6, 1, 0x10000 + 7601, L"Service Pack 1", kWorkstation, 0, kX64, 48),
       L"Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)"},
      {"build with high bits set", Nt(5, 1, 0xFFFF0A28, L"", kWorkstation, 0, kX86),
       L"Microsoft Windows XP Professional 5.1  (Build 2600)"},
      {"every ';'", Nt(6, 1, 7601, L";Service Pack 1; hotfix;;", kWorkstation, 0, kX64, 48),
       L"Microsoft Windows 7 Unknown Edition, 64-bit 6.1 :Service Pack 1: hotfix:: (Build 7601)"},
      {"95 family too", Win9x(4, 10, L" A;"), L"Microsoft Windows 98 SE 4.10 ,  A:"},
  });
}

TEST(OsDescriptionText, BasicRecordTakesTheEditionFromProductOptions) {
  ExpectDescriptions({
      {"NT 4 workstation", NtBasic(4, 0, 1381, L"Service Pack 3", L"WinNT"),
       L"Microsoft Windows NT Workstation 4.0 Service Pack 3 (Build 1381)"},
      {"NT 4 server", NtBasic(4, 0, 1381, L"Service Pack 3", L"LANMANNT"),
       L"Microsoft Windows NT Server 4.0 Service Pack 3 (Build 1381)"},
      {"NT 4 advanced server, lower case", NtBasic(4, 0, 1381, L"", L"servernt"),
       L"Microsoft Windows NT Advanced Server 4.0  (Build 1381)"},
      {"another word: no piece", NtBasic(4, 0, 1381, L"", L"WINNT "),
       L"Microsoft Windows NT 4.0  (Build 1381)"},
      {"empty text: no piece", NtBasic(4, 0, 1381, L"", L""),
       L"Microsoft Windows NT 4.0  (Build 1381)"},
      // Without the extended record the product type reads 0, a server.
      {"2000 from the basic record", NtBasic(5, 0, 2195, L"Service Pack 4", L"WinNT"),
       L"Microsoft Windows 2000 Server Workstation 5.0 Service Pack 4 (Build 2195)"},
  });

  // The extended record never looks at ProductOptions, readable or not.
  OsFacts extended = Nt(4, 0, 1381, L"", kWorkstation, 0, kX86);
  extended.productOptionsType = L"LANMANNT";
  std::wstring text;
  EXPECT_EQ(BuildOsDescription(extended, text), TRUE);
  EXPECT_EQ(text, L"Microsoft Windows NT 4.0  (Build 1381)");
}

TEST(OsDescriptionText, UnreadableProductOptionsFailsWithThePiecesSoFar) {
  std::wstring text = L"left over";
  EXPECT_EQ(BuildOsDescription(NtBasic(4, 0, 1381, L"Service Pack 3", std::nullopt), text), FALSE);
  EXPECT_EQ(text, L"Microsoft Windows NT ");

  OsFacts xp = NtBasic(5, 1, 2600, L"", std::nullopt);
  EXPECT_EQ(BuildOsDescription(xp, text), FALSE);
  EXPECT_EQ(text, L"Microsoft Windows XP Professional ");
}

TEST(OsDescriptionText, NinetyFiveFamily) {
  ExpectDescriptions({
      {"95", Win9x(4, 0, L""), L"Microsoft Windows 95 4.0 , "},
      {"95 OSR2 (B)", Win9x(4, 0, L" B"), L"Microsoft Windows 95 OSR2 4.0 ,  B"},
      {"95 OSR2 (C)", Win9x(4, 0, L" C "), L"Microsoft Windows 95 OSR2 4.0 ,  C "},
      {"95, A is not OSR2", Win9x(4, 0, L" A"), L"Microsoft Windows 95 4.0 ,  A"},
      {"95, only the second unit counts", Win9x(4, 0, L"B"), L"Microsoft Windows 95 4.0 , B"},
      {"98", Win9x(4, 10, L""), L"Microsoft Windows 98 4.10 , "},
      {"98 SE", Win9x(4, 10, L" A "), L"Microsoft Windows 98 SE 4.10 ,  A "},
      {"98, lower-case a is not SE", Win9x(4, 10, L" a"), L"Microsoft Windows 98 4.10 ,  a"},
      {"Me", Win9x(4, 90, L" "), L"Microsoft Windows Millennium Edition 4.90 ,  "},
      {"4.x other", Win9x(4, 3, L"x"), L"Microsoft Windows Latest 95 Edition 4.3 , x"},
      {"above 4", Win9x(5, 0, L""), L"Microsoft Windows Latest 95 Edition 5.0 , "},
      {"below 4", Win9x(3, 95, L""), L"Microsoft Windows Pre 95 Edition 3.95 , "},
  });
}

TEST(OsDescriptionText, OtherPlatforms) {
  OsFacts win32s = Win9x(3, 11, L"");
  win32s.platformId = VER_PLATFORM_WIN32s;
  OsFacts future = Nt(6, 1, 7601, L"Service Pack 1", kWorkstation, 0, kX64, 1);
  future.platformId = 3;
  OsFacts farFuture = future;
  farFuture.platformId = 0xFFFFFFFF;
  ExpectDescriptions({
      {"Win32s", win32s, L"Microsoft Win32s "},
      {"platform 3", future, L""},
      {"platform 0xFFFFFFFF", farFuture, L""},
  });
}

// ---- The two edition tables ---------------------------------------------------------

TEST(EditionTables, AppendEditionNameKnowsCodesOneToTwentyFive) {
  const wchar_t* const expected[] = {
      L"Unknown Edition",
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
      L"Unknown Edition",
  };
  for (DWORD code = 0; code < std::size(expected); ++code) {
    std::wstring text = L"[";
    AppendEditionName(text, code);
    EXPECT_EQ(text, std::wstring(L"[") + expected[code]) << code;
  }
  for (const DWORD code : {28u, 48u, 0x7FFFFFFFu, 0xABCDABCDu, 0xFFFFFFFFu}) {
    std::wstring text;
    AppendEditionName(text, code);
    EXPECT_EQ(text, L"Unknown Edition") << code;
  }
}

TEST(EditionTables, VistaPiecesEndInABlankAndSkipCodesWithoutRow) {
  const wchar_t* const expected[] = {
      L"",
      L"Ultimate Edition ",
      L"Home Basic Edition ",
      L"Home Premium Edition ",
      L"Enterprise Edition ",
      L"",
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
      L"",
      L"Web Server Edition ",
      L"Cluster Server Edition ",
      L"",
      L"",
      L"",
      L"",
      L"",
      L"",
      L"Small Business Server Premium Edition ",
      L"",
  };
  for (DWORD code = 0; code < std::size(expected); ++code) {
    EXPECT_STREQ(VistaEditionPiece(code), expected[code]) << code;
  }
  EXPECT_STREQ(VistaEditionPiece(0x1C), L"");
  EXPECT_STREQ(VistaEditionPiece(0xFFFFFFFF), L"");
}

// ---- Which facts are gathered -----------------------------------------------------------

TEST(OsFactsGathering, ProductCodeIsAskedWithTheRightMinorVersion) {
  EXPECT_EQ(ProductInfoMinorVersion(Nt(10, 0, 1, L"", 1, 0, kX64)), 3u);
  EXPECT_EQ(ProductInfoMinorVersion(Nt(10, 7, 1, L"", 1, 0, kX64)), 3u);
  for (DWORD minor = 0; minor <= 3; ++minor) {
    EXPECT_EQ(ProductInfoMinorVersion(Nt(6, minor, 1, L"", 1, 0, kX64)), minor);
  }
  EXPECT_EQ(ProductInfoMinorVersion(Nt(6, 4, 1, L"", 1, 0, kX64)), std::nullopt);
  EXPECT_EQ(ProductInfoMinorVersion(Nt(5, 2, 1, L"", 1, 0, kX64)), std::nullopt);
  EXPECT_EQ(ProductInfoMinorVersion(Nt(11, 0, 1, L"", 1, 0, kX64)), std::nullopt);
  EXPECT_EQ(ProductInfoMinorVersion(Win9x(6, 1, L"")), std::nullopt);
}

TEST(OsFactsGathering, RegistryIsAskedOnlyWhereTheTextNeedsIt) {
  EXPECT_TRUE(NeedsProductOptions(NtBasic(4, 0, 1, L"", std::nullopt)));
  EXPECT_FALSE(NeedsProductOptions(Nt(4, 0, 1, L"", 1, 0, kX86)));
  OsFacts basic9x = Win9x(4, 10, L"");
  basic9x.extendedRecord = false;
  EXPECT_FALSE(NeedsProductOptions(basic9x));

  EXPECT_TRUE(NeedsHotfixQ246009(Nt(4, 0, 1381, L"Service Pack 6", 1, 0, kX86)));
  EXPECT_TRUE(NeedsHotfixQ246009(Nt(4, 0, 1381, L"SERVICE PACK 6", 1, 0, kX86)));
  EXPECT_FALSE(NeedsHotfixQ246009(Nt(4, 0, 1381, L"Service Pack 6a", 1, 0, kX86)));
  EXPECT_FALSE(NeedsHotfixQ246009(Nt(5, 0, 2195, L"Service Pack 6", 1, 0, kX86)));
  EXPECT_FALSE(NeedsHotfixQ246009(Win9x(4, 0, L"Service Pack 6")));
}

TEST(OsFactsGathering, BasicRecordHasNoSuiteOrProductTypeAndTheTextStopsAtTheBuffer) {
  OSVERSIONINFOEXW record = {};
  record.dwPlatformId = VER_PLATFORM_WIN32_NT;
  record.dwMajorVersion = 6;
  record.dwMinorVersion = 1;
  record.dwBuildNumber = 7601;
  record.wSuiteMask = 0x0100;
  record.wProductType = VER_NT_WORKSTATION;
  // No NUL anywhere in the service-pack field.
  for (wchar_t& unit : record.szCSDVersion) unit = L'S';

  const OsFacts extended = FactsFromVersionRecord(record, true);
  EXPECT_TRUE(extended.extendedRecord);
  EXPECT_EQ(extended.suiteMask, 0x0100);
  EXPECT_EQ(extended.productType, VER_NT_WORKSTATION);
  EXPECT_EQ(extended.servicePack, std::wstring(128, L'S'));

  const OsFacts basic = FactsFromVersionRecord(record, false);
  EXPECT_FALSE(basic.extendedRecord);
  EXPECT_EQ(basic.suiteMask, 0);
  EXPECT_EQ(basic.productType, 0);
  EXPECT_EQ(basic.majorVersion, 6u);
  EXPECT_EQ(basic.buildNumber, 7601u);
}

TEST(OsFactsGathering, VersionPredicates) {
  EXPECT_TRUE(IsWindows2000Version(Nt(5, 0, 2195, L"", 1, 0, kX86)));
  EXPECT_FALSE(IsWindows2000Version(Nt(5, 1, 2600, L"", 1, 0, kX86)));
  EXPECT_FALSE(IsWindows2000Version(Nt(6, 0, 6000, L"", 1, 0, kX86)));
  EXPECT_FALSE(IsWindows2000Version(Win9x(5, 0, L"")));

  EXPECT_TRUE(IsNtMinorVersionOneVersion(Nt(5, 1, 2600, L"", 1, 0, kX86)));
  EXPECT_TRUE(IsNtMinorVersionOneVersion(Nt(6, 1, 7601, L"", 3, 0, kX64)));
  EXPECT_TRUE(IsNtMinorVersionOneVersion(Nt(42, 1, 1, L"", 1, 0, kX64)));
  EXPECT_FALSE(IsNtMinorVersionOneVersion(Nt(5, 0, 2195, L"", 1, 0, kX86)));
  EXPECT_FALSE(IsNtMinorVersionOneVersion(Nt(6, 2, 9200, L"", 1, 0, kX64)));
  EXPECT_FALSE(IsNtMinorVersionOneVersion(Win9x(4, 1, L"")));
}

// ---- ProductOptions, read from a key of the test's own ------------------------------

TEST(ProductOptionsValue, ReadBoundedAndTerminated) {
  vxtest::ScratchKey scratch(HKEY_CURRENT_USER, L"Software\\VxTests\\ProductOptions");
  const std::wstring& path = scratch.path();
  EXPECT_EQ(ReadProductOptionsType(HKEY_CURRENT_USER, path.c_str()), std::nullopt) << "no key";

  fw::unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(ReadProductOptionsType(HKEY_CURRENT_USER, path.c_str()), std::nullopt) << "no value";

  const auto set = [&](const std::wstring& units, DWORD bytes) {
    ASSERT_EQ(::RegSetValueExW(key.get(), L"ProductType", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(units.data()), bytes),
              ERROR_SUCCESS);
  };
  set(L"LanmanNT", 18);
  EXPECT_EQ(ReadProductOptionsType(HKEY_CURRENT_USER, path.c_str()), L"LanmanNT");

  // 40 units without a NUL fill the whole buffer: all of them, nothing after.
  // The source goes on past the 80 bytes: Wine stores one unit more of a
  // REG_SZ when the unit just after the data given is a NUL.
  set(std::wstring(48, L'W'), 80);
  EXPECT_EQ(ReadProductOptionsType(HKEY_CURRENT_USER, path.c_str()), std::wstring(40, L'W'));

  // 39 units and their NUL fit exactly.
  set(std::wstring(39, L'N'), 80);
  EXPECT_EQ(ReadProductOptionsType(HKEY_CURRENT_USER, path.c_str()), std::wstring(39, L'N'));

  // One unit more than the buffer: unreadable.
  set(std::wstring(48, L'W'), 82);
  EXPECT_EQ(ReadProductOptionsType(HKEY_CURRENT_USER, path.c_str()), std::nullopt);

  // Text after an embedded NUL is not part of it.
  set(std::wstring(L"WinNT\0junk", 10), 20);
  EXPECT_EQ(ReadProductOptionsType(HKEY_CURRENT_USER, path.c_str()), L"WinNT");
}

// ---- The real routines under Wine --------------------------------------------------------

namespace {

constexpr wchar_t kWineKey[] = L"Software\\Wine";

// Sets HKCU\Software\Wine "Version", which Wine reads when a process starts,
// and puts back what was there (or removes it) at scope end.
class ScopedWineVersion {
 public:
  ScopedWineVersion() : saved_(vxtest::ReadRawValue(HKEY_CURRENT_USER, kWineKey, L"Version")) {}
  ~ScopedWineVersion() {
    if (saved_) {
      ::RegSetKeyValueW(HKEY_CURRENT_USER, kWineKey, L"Version", saved_->type, saved_->data.data(),
                        static_cast<DWORD>(saved_->data.size()));
    } else {
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineKey, L"Version");
    }
  }
  ScopedWineVersion(const ScopedWineVersion&) = delete;
  ScopedWineVersion& operator=(const ScopedWineVersion&) = delete;

  // An empty name removes the value: Wine's own default.
  void Set(const std::wstring& name) {
    if (name.empty()) {
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kWineKey, L"Version");
      return;
    }
    const std::vector<BYTE> bytes = vxtest::SzBytes(name);
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kWineKey, L"Version", REG_SZ, bytes.data(),
                                static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }

 private:
  std::optional<vxtest::RawValue> saved_;
};

// What a newly started process reports: the probe's whole output.
std::string ProbeOsDescription() {
  vxtest::Child child =
      vxtest::StartChild(L"\"" + vxtest::BinPath(L"system_probe.exe") + L"\" os", true);
  const std::string output = vxtest::ReadAllOutput(child);
  EXPECT_EQ(vxtest::WaitExit(child, 30000), 0u);
  return output;
}

std::string ProbeOutput(const std::string& description, bool windows2000, bool minorOne) {
  // The C runtime's text mode turns each line feed into CR LF.
  return "GetOsDescription=1\r\n" + description + "\r\nIsWindows2000=" + (windows2000 ? "1" : "0") +
         "\r\nIsNtMinorVersionOne=" + (minorOne ? "1" : "0") + "\r\n";
}

}  // namespace

TEST(OsDescriptionUnderWine, ThisProcessSeesWinesDefaultWindows7) {
  std::wstring text = L"not emptied";
  EXPECT_EQ(GetOsDescription(text), TRUE);
  EXPECT_EQ(text, L"Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)");
  EXPECT_EQ(IsWindows2000(), FALSE);
  EXPECT_EQ(IsNtMinorVersionOne(), TRUE);
}

TEST(OsDescriptionUnderWine, NewProcessesSeeTheVersionTheirPrefixReports) {
  struct Case {
    const wchar_t* version;  // HKCU\Software\Wine "Version"; empty: none set
    const char* description;
    bool windows2000;
    bool minorOne;
  } const cases[] = {
      {L"", "Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)", false,
       true},
      {L"winxp", "Microsoft Windows XP Professional 5.1 Service Pack 3 (Build 2600)", false, true},
      {L"winxp64", "Microsoft Windows XP Professional x64 Edition 5.2 Service Pack 2 (Build 3790)",
       false, false},
      {L"win2003",
       "Microsoft Windows Server 2003, Standard x64 Edition 5.2 Service Pack 2 (Build 3790)", false,
       false},
      // Wine's GetProductInfo code (0x1C) has no row in the 6.0 table.
      {L"vista", "Microsoft Windows Vista , 64-bit 6.0 Service Pack 2 (Build 6002)", false, false},
      {L"win8", "Microsoft Windows 8 Unknown Edition, 64-bit 6.2  (Build 9200)", false, false},
      // As on Windows, a program without a supportedOS manifest entry for
      // 8.1 or 10 is told 6.2.
      {L"win10", "Microsoft Windows 8 Unknown Edition, 64-bit 6.2  (Build 9200)", false, false},
      {L"win2k", "Microsoft Windows 2000 Professional 5.0 Service Pack 4 (Build 2195)", true,
       false},
      {L"nt40", "Microsoft Windows NT 4.0 Service Pack 6a (Build 1381)", false, false},
      {L"win98", "Microsoft Windows 98 SE 4.10 ,  A ", false, false},
      {L"win95", "Microsoft Windows 95 4.0 , ", false, false},
      {L"winme", "Microsoft Windows Millennium Edition 4.90 ,  ", false, false},
  };
  ScopedWineVersion version;
  for (const Case& c : cases) {
    SCOPED_TRACE(vxtest::WideToUtf8(c.version));
    version.Set(c.version);
    EXPECT_EQ(ProbeOsDescription(), ProbeOutput(c.description, c.windows2000, c.minorOne));
  }
}

TEST(OsDescriptionUnderWine, VersionSettingIsPutBack) {
  const auto before = vxtest::ReadRawValue(HKEY_CURRENT_USER, kWineKey, L"Version");
  {
    ScopedWineVersion version;
    version.Set(L"winxp");
  }
  const auto after = vxtest::ReadRawValue(HKEY_CURRENT_USER, kWineKey, L"Version");
  ASSERT_EQ(before.has_value(), after.has_value());
  if (before) {
    EXPECT_EQ(before->type, after->type);
    EXPECT_EQ(before->data, after->data);
  }
  // And a process started now sees the default again.
  if (!before) {
    EXPECT_EQ(
        ProbeOsDescription(),
        ProbeOutput("Microsoft Windows 7 Unknown Edition, 64-bit 6.1 Service Pack 1 (Build 7601)",
                    false, true));
  }
}
