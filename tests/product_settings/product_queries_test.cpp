#include <gtest/gtest.h>

#include <tuple>

#include "framework/profile.h"
#include "library/product_settings/product_queries_detail.h"
#include "library/product_settings/product_settings.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace product_settings::detail;

TEST(ProductQueries, PlacementPathsFilesProcessesAndRegistryValues) {
  fw::SetProfileRegistryKey(L"VxTest", L"Placement");
  ScratchKey profile(HKEY_CURRENT_USER, L"Software\\VxTest\\Placement");
  const std::tuple<const wchar_t*, WINDOWPLACEMENT, const wchar_t*> cases[] = {
      {L"0,1,-1,-1,-1,-1,100,100,900,700,abc",
       {44, 0, 1, {-1, -1}, {-1, -1}, {100, 100, 900, 700}},
       L"abc"},
      {L"2, 3,x,4", {44, 2, 3, {}, {}, {}}, L""},  // unread fields 0; fewer than ten commas
      {L",1,2,3,4,5,6,7,8,9,10,r", {44, 0, 0, {}, {}, {}}, L"r"},  // leading comma skipped
  };
  WINDOWPLACEMENT placement = {};
  std::wstring remainder = L"kept";
  EXPECT_FALSE(GetWindowPlacementSetting(&placement, L"Main", nullptr, &remainder));
  for (const auto& [text, expected, rest] : cases) {
    SetText(HKEY_CURRENT_USER, profile.path() + L"\\User Interface\\Settings", L"Main", text);
    EXPECT_TRUE(GetWindowPlacementSetting(nullptr, L"Main", nullptr, &remainder));
    EXPECT_TRUE(GetWindowPlacementSetting(&placement, L"Main", nullptr, &remainder));
    EXPECT_EQ(memcmp(&placement, &expected, sizeof(placement)), 0) << WideToUtf8(text);
    EXPECT_EQ(remainder, rest) << WideToUtf8(text);
  }
  fw::SetProfileRegistryKey(L"Brevanne Koltec");
  EXPECT_EQ(MainExecutablePathFor(L"\\Tool"), L"qlfmain.exe");  // backslash at position 0
  EXPECT_EQ(ParentPlatformDataFile(L"C:\\P\\Tool"), L"C:\\P\\corvanta.dat");
  EXPECT_EQ(ParentPlatformDataFile(L"C:"), L"");
  wchar_t two[3] = {L'x', L'x', L'x'};
  EXPECT_EQ(CopyLeadingCharacters(L"abc", nullptr, 2), 0);
  EXPECT_TRUE(CopyLeadingCharacters(L"abc", two, 2) == 2 && std::wstring(two) == L"ab");
  EXPECT_EQ(GetModuleFolder(), BinFolder());
  EXPECT_EQ(GetMainExecutablePath(),
            BinFolder().substr(0, BinFolder().rfind(L'\\') + 1) + L"qlfmain.exe");
  TempFolder folder(L"vxmarker");
  WriteFileBytes(folder / L"corvanta.dat", "");
  EXPECT_TRUE(HasPlatformDataFileNear(folder / L"f.txt"));      // beside a file
  EXPECT_TRUE(HasPlatformDataFileNear(folder.path() + L"\\"));  // inside a folder
  EXPECT_EQ(HasPlatformDataFileInParentFolder(), PathExists(ParentPlatformDataFile(BinFolder())));
  Child child = StartChild(L"\"" + BinPath(L"sleeper.exe") + L"\" 30000");
  EXPECT_EQ(FindProcessIdByName(L"SLEEPER.exe"), child.pid);
  EXPECT_EQ(FindProcessIdByName(L"sleeper"), 0u);
  KillChild(child);
  ScratchKey key(HKEY_CURRENT_USER, L"Software\\Brevanne Koltec\\QUILLFORGEPDM\\Servers\\CORVANTA");
  std::wstring alias = L"given";
  EXPECT_TRUE(GetOfflineAliasName(alias));  // a missing value keeps what was passed
  EXPECT_FALSE(IsUesAddInLoaded());
  const std::tuple<const wchar_t*, const wchar_t*, bool (*)(), bool> values[] = {
      {L"TenantId", L"xOnPremisey", IsOnPremiseTenant, true},
      {L"TenantId", L"onpremise", IsOnPremiseTenant, false},
      {L"UESAddInLoaded", L"1", IsUesAddInLoaded, true},
      {L"UESAddInLoaded", L"01", IsUesAddInLoaded, false}};
  for (const auto& [name, text, query, expected] : values) {
    SetText(key.root(), key.path(), name, text);
    EXPECT_EQ(query(), expected) << WideToUtf8(text);
  }

  ScratchKey product(HKEY_CURRENT_USER, L"Software\\Quillforge", true);
  ScratchKey general(HKEY_CURRENT_USER, L"Software\\Quillforge\\General");
  SetText(general.root(), general.path(), L"Backup directory", L"   ");
  EXPECT_EQ(GetBackupDirectory(), L"\\Temp\\QFBackupDirectory");
  SetText(general.root(), general.path(), L"Backup directory", L" D:\\B ");
  EXPECT_EQ(GetBackupDirectory(), L"D:\\B");

  ScratchKey machine(HKEY_LOCAL_MACHINE, L"Software\\VxTestDefault");
  ScratchKey user(HKEY_USERS, L".DEFAULT\\Software\\VxTestDefault");
  std::wstring text;
  for (const auto& [root, path, value] :
       {std::tuple(HKEY_LOCAL_MACHINE, machine.path(), L"machine"),
        std::tuple(HKEY_USERS, user.path(), L"user")}) {
    SetText(root, path + L"\\Sec", L"n", value);  // the default user comes first
    ReadDefaultUserOrMachineSetting(L"VxTestDefault", L"Sec", L"n", SettingValueType::String, &text,
                                    nullptr, nullptr);
    EXPECT_EQ(text, value);
  }
  ScratchKey connectors(HKEY_LOCAL_MACHINE, L"Software\\Brevanne Koltec\\Z5_Common");
  ScratchKey pdm(HKEY_LOCAL_MACHINE, L"Software\\Brevanne Koltec\\QuillforgePDM");
  EXPECT_FALSE(ArePdmConnectorsInstalled());
  SetText(HKEY_LOCAL_MACHINE, connectors.path() + L"\\xKEL_Connectors", L"path", L"C:\\K");
  EXPECT_FALSE(ArePdmConnectorsInstalled());
  SetText(HKEY_LOCAL_MACHINE, pdm.path(), L"Location", L"C:\\PDM");
  EXPECT_TRUE(ArePdmConnectorsInstalled());
  const ScratchKey chunks(HKEY_CURRENT_USER, L"Software\\Quillforge\\VxChunkTest");
  EXPECT_FALSE(DeleteChunkedProductValue(L"VxChunkTest", L"Long", false));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, chunks.path())) << "a missing key is not created";
  for (const wchar_t* name : {L"Long", L"Long0+", L"Long1+"})
    SetText(HKEY_CURRENT_USER, chunks.path(), name, L"x");
  EXPECT_TRUE(DeleteChunkedProductValue(L"VxChunkTest", L"Long", false));
  EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, chunks.path(), L"Long"));  // the plain value stays
  EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, chunks.path(), L"Long0+") ||
               ReadRawValue(HKEY_CURRENT_USER, chunks.path(), L"Long1+"));
}
