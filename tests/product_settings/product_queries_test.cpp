// The product queries and the window placement: each decision once in a
// table, then the registry, files and processes they read under Wine.

#include <gtest/gtest.h>

#include "framework/profile.h"
#include "library/product_settings/product_queries_detail.h"
#include "library/product_settings/product_settings.h"
#include "library/product_settings/window_placement_detail.h"
#include "tests/support/registry_override_support.h"
#include "tests/support/registry_value_support.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace product_settings::detail;

TEST(WindowPlacement, TenFieldsThenTheTextAfterTheTenthComma) {
  const std::vector<int> placed = {0, 1, -1, -1, -1, -1, 100, 100, 900, 700};
  const struct {
    const wchar_t* text;
    std::vector<int> fields;  // flags, showCmd, the two points, the rectangle
    const wchar_t* remainder;
  } cases[] = {
      {L"0,1,-1,-1,-1,-1,100,100,900,700", placed, L""},
      {L"0,1,-1,-1,-1,-1,100,100,900,700,abc", placed, L"abc"},
      {L"0,1,-1,-1,-1,-1,100,100,900,700,", placed, L""},
      {L"2, 3,x,4", {2, 3, 0, 0, 0, 0, 0, 0, 0, 0}, L""},           // unread fields 0; < ten commas
      {L",1,2,3,4,5,6,7,8,9,10,r", std::vector<int>(10, 0), L"r"},  // a leading comma is skipped
  };
  for (const auto& c : cases) {
    const WINDOWPLACEMENT p = ParseWindowPlacement(c.text);
    const std::vector<int> fields = {static_cast<int>(p.flags), static_cast<int>(p.showCmd),
                                     p.ptMinPosition.x,         p.ptMinPosition.y,
                                     p.ptMaxPosition.x,         p.ptMaxPosition.y,
                                     p.rcNormalPosition.left,   p.rcNormalPosition.top,
                                     p.rcNormalPosition.right,  p.rcNormalPosition.bottom};
    EXPECT_EQ(p.length, 44u);
    EXPECT_EQ(fields, c.fields) << c.text;
    EXPECT_EQ(PlacementRemainder(c.text), c.remainder) << c.text;
  }
}

TEST(WindowPlacement, ReadFromTheRegistryProfile) {
  fw::SetProfileRegistryKey(L"VxTest", L"Placement");
  ScratchKey profile(HKEY_CURRENT_USER, L"Software\\VxTest\\Placement");
  SetText(HKEY_CURRENT_USER, profile.path() + L"\\User Interface\\Settings", L"Main",
          L"0,1,-1,-1,-1,-1,100,100,900,700,abc");
  SetText(HKEY_CURRENT_USER, profile.path() + L"\\Other", L"Empty", L"");
  WINDOWPLACEMENT placement = {};
  std::wstring remainder = L"kept";
  EXPECT_FALSE(GetWindowPlacementSetting(&placement, L"Absent", nullptr, &remainder));
  EXPECT_FALSE(GetWindowPlacementSetting(&placement, L"Empty", L"Other", &remainder));
  EXPECT_TRUE(GetWindowPlacementSetting(nullptr, L"Main", nullptr, &remainder));
  EXPECT_EQ(remainder, L"kept");
  EXPECT_EQ(placement.length, 0u);
  EXPECT_TRUE(GetWindowPlacementSetting(&placement, L"Main", nullptr, &remainder));
  EXPECT_EQ(remainder, L"abc");
  EXPECT_EQ(placement.rcNormalPosition.right, 900);
  fw::SetProfileRegistryKey(L"Brevanne Koltec");
}

TEST(ProductQueries, PathDecisions) {
  EXPECT_EQ(MainExecutablePathFor(L"C:\\P\\Tool"), L"C:\\P\\qlfmain.exe");
  EXPECT_EQ(MainExecutablePathFor(L"\\Tool"), L"qlfmain.exe");  // backslash at position 0
  EXPECT_EQ(MainExecutablePathFor(L"C:"), L"qlfmain.exe");
  EXPECT_EQ(ParentPlatformDataFile(L"C:\\P\\Tool"), L"C:\\P\\corvanta.dat");
  EXPECT_EQ(ParentPlatformDataFile(L"C:"), L"");
  EXPECT_EQ(PlatformDataCandidates(L"C:\\D\\f.txt"),
            (std::vector<std::wstring>{L"C:\\D\\corvanta.dat", L"C:\\D\\f.txt\\corvanta.dat"}));
  EXPECT_EQ(PlatformDataCandidates(L""), std::vector<std::wstring>{});
  EXPECT_EQ(TrimBlanks(L" \t D:\\B \r\n"), L"D:\\B");
  EXPECT_EQ(GetModuleFolder(), BinFolder());
  EXPECT_EQ(GetModulePath(), BinPath(L"product_queries_test.exe"));
  EXPECT_EQ(GetMainExecutablePath(), MainExecutablePathFor(BinFolder()));
}

TEST(ProductQueries, BuffersAndBackslashesStayInBounds) {
  std::wstring text;
  EnsureTrailingBackslash(text);
  EXPECT_EQ(text, L"");  // never turned into the root of the current drive
  for (std::wstring t : {L"a", L"a\\"}) {
    EnsureTrailingBackslash(t);
    EXPECT_EQ(t, L"a\\");
  }
  const struct {
    int count, copied;
    const wchar_t* buffer;  // the buffer afterwards, 6 units
  } cases[] = {{2, 2, L"ab\0ZZZ"}, {5, 3, L"abc\0ZZ"}, {0, 0, L"\0ZZZZZ"}, {-4, 0, L"\0ZZZZZ"}};
  for (const auto& c : cases) {
    wchar_t buffer[6] = {L'Z', L'Z', L'Z', L'Z', L'Z', L'Z'};
    EXPECT_EQ(CopyLeadingCharacters(L"abc", buffer, c.count), c.copied);
    EXPECT_EQ(std::wstring(buffer, 6), std::wstring(c.buffer, 6)) << c.count;
  }
  EXPECT_EQ(CopyLeadingCharacters(L"abc", nullptr, 2), 0);
}

TEST(ProductQueries, InternetExplorerVersionComparesByCharacters) {
  const std::pair<const wchar_t*, bool> cases[] = {{L"9.11.19041.0", true},
                                                   {L"4.8", true},
                                                   {L"4.71.1712.6", true},
                                                   {L"4.71.1712.10", false},
                                                   {L"10.0.1", false}};
  for (const auto& [version, sufficient] : cases) {
    ScopedValueOverride value(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer",
                              L"Version", REG_SZ, version);
    EXPECT_EQ(IsInternetExplorerVersionSufficient(), sufficient) << version;
    EXPECT_EQ(IsInternetExplorerVersionText(version), sufficient) << version;
    if (sufficient) {
      EXPECT_TRUE(RequireInternetExplorerVersion());  // no message then
    }
  }
}

TEST(ProductQueries, PlatformUserValues) {
  ScratchKey key(HKEY_CURRENT_USER, L"Software\\Brevanne Koltec\\QUILLFORGEPDM\\Servers\\CORVANTA");
  std::wstring alias = L"given";
  EXPECT_TRUE(GetOfflineAliasName(alias));  // a missing value keeps what was passed
  EXPECT_FALSE(IsUesAddInLoaded());
  EXPECT_EQ(GetOfficeVersion(), L"");
  const struct {
    const wchar_t* name;
    const wchar_t* text;
    bool (*query)();
    bool expected;
  } cases[] = {{L"TenantId", L"xOnPremisey", IsOnPremiseTenant, true},
               {L"TenantId", L"onpremise", IsOnPremiseTenant, false},
               {L"UESAddInLoaded", L"1", IsUesAddInLoaded, true},
               {L"UESAddInLoaded", L"0", IsUesAddInLoaded, false},
               {L"UESAddInLoaded", L"01", IsUesAddInLoaded, false}};
  for (const auto& c : cases) {
    SetText(key.root(), key.path(), c.name, c.text);
    EXPECT_EQ(c.query(), c.expected) << c.name << L"=" << c.text;
  }
  SetText(key.root(), key.path(), L"QFOfficeVersion", L"16.0");
  EXPECT_EQ(GetOfficeVersion(), L"16.0");
}

TEST(ProductQueries, InstallationValuesAndSettings) {
  ScratchKey connectors(HKEY_LOCAL_MACHINE,
                        L"Software\\Brevanne Koltec\\Z5_Common\\xKEL_Connectors");
  ScratchKey pdm(HKEY_LOCAL_MACHINE, L"Software\\Brevanne Koltec\\QuillforgePDM");
  SetText(connectors.root(), connectors.path(), L"path", L"C:\\C");
  EXPECT_FALSE(ArePdmConnectorsInstalled());
  SetText(pdm.root(), pdm.path(), L"Location", L"C:\\L");
  EXPECT_TRUE(ArePdmConnectorsInstalled());

  ScratchKey general(HKEY_CURRENT_USER, L"Software\\Quillforge\\General");
  SetText(general.root(), general.path(), L"Backup directory", L"   ");
  EXPECT_EQ(GetBackupDirectory(), L"\\Temp\\QFBackupDirectory");
  SetText(general.root(), general.path(), L"Backup directory", L" D:\\B ");
  EXPECT_EQ(GetBackupDirectory(), L"D:\\B");

  ScratchKey chunked(HKEY_CURRENT_USER, L"Software\\Quillforge\\VxTestChunks");
  for (const wchar_t* name : {L"x", L"x0+", L"x1+"})
    SetText(HKEY_CURRENT_USER, chunked.path(), name, L"t");
  EXPECT_TRUE(DeleteChunkedProductValue(L"VxTestChunks", L"x", false));
  EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, chunked.path(), L"x"));
  EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, chunked.path(), L"x1+"));
  EXPECT_FALSE(DeleteChunkedProductValue(L"VxTestNoSuchKey", L"x", false));

  ScratchKey machine(HKEY_LOCAL_MACHINE, L"Software\\VxTestDefault");
  ScratchKey user(HKEY_USERS, L".DEFAULT\\Software\\VxTestDefault");
  std::wstring text;
  SetText(HKEY_LOCAL_MACHINE, machine.path() + L"\\Sec", L"n", L"machine");
  EXPECT_TRUE(ReadDefaultUserOrMachineSetting(L"VxTestDefault", L"Sec", L"n",
                                              SettingValueType::String, &text, nullptr, nullptr));
  EXPECT_EQ(text, L"machine");
  SetText(HKEY_USERS, user.path() + L"\\Sec", L"n", L"user");
  text.clear();
  EXPECT_TRUE(ReadDefaultUserOrMachineSetting(L"VxTestDefault", L"Sec", L"n",
                                              SettingValueType::String, &text, nullptr, nullptr));
  EXPECT_EQ(text, L"user");
}

TEST(ProductQueries, FilesAndProcessesOnTheSystem) {
  TempFolder folder(L"vxmarker");
  WriteFileBytes(folder / L"corvanta.dat", "");
  EXPECT_TRUE(HasPlatformDataFileNear(folder / L"f.txt"));      // beside a file
  EXPECT_TRUE(HasPlatformDataFileNear(folder.path() + L"\\"));  // inside a folder
  EXPECT_FALSE(HasPlatformDataFileNear(L""));
  EXPECT_EQ(HasPlatformDataFileInParentFolder(), PathExists(ParentPlatformDataFile(BinFolder())));

  Child child = StartChild(L"\"" + BinPath(L"sleeper.exe") + L"\" 30000");
  EXPECT_EQ(FindProcessIdByName(L"SLEEPER.exe"), child.pid);
  EXPECT_EQ(FindProcessIdByName(L"sleeper"), 0u);
  EXPECT_EQ(FindProcessIdByName(L""), 0u);
  KillChild(child);

  std::wstring path = L"kept";
  EXPECT_FALSE(GetSpecialFolderPath(0x7F, path));
  EXPECT_EQ(path, L"kept");
  EXPECT_TRUE(CreateAppDataProductFolder(path));
  EXPECT_TRUE(PathIsFolder(path));
}
