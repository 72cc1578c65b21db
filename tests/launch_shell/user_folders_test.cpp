#include <gtest/gtest.h>

#include "library/launch_shell/launch_shell.h"
#include "library/product_settings/product_settings.h"
#include "tests/support/test_support.h"

using namespace vxtest;

const std::wstring kExplorer = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";

struct ScopedShellFolder {
  ScopedShellFolder(const std::wstring& name, const std::wstring& path)
      : made(::CreateDirectoryW(path.c_str(), nullptr)),
        user(HKEY_CURRENT_USER, kExplorer + L"\\User Shell Folders", name, REG_EXPAND_SZ, path),
        resolved(HKEY_CURRENT_USER, kExplorer + L"\\Shell Folders", name, REG_SZ, path) {}
  bool made;
  ScopedValueOverride user, resolved;
};

TEST(OemBranding, EntryMustBeNamedAndNotEmpty) {
  TempFolder common(L"vxcommon");
  ScopedValueOverride shell(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion",
                            L"CommonFilesDir", REG_SZ, common.path());
  EXPECT_FALSE(HasOemRegistryName());  // no file
  const std::wstring folder = common / L"Quillforge Shared\\2026\\qlfvx";
  ASSERT_EQ(::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), ERROR_SUCCESS);
  const std::pair<std::string, bool> cases[] = {
      {"[OEMNAME]\r\nOEMREGISTRYNAME=Brand1\r\n", true},
      {"[OEMNAME]\r\nOEMREGISTRYNAME=\r\n", false},
      {"[OTHER]\r\nOEMREGISTRYNAME=Brand1\r\n", false},
      {"[OEMNAME]\r\nOEMREGISTRYNAME=" + std::string(300, 'n') + "\r\n", true},
  };
  for (const auto& [content, expected] : cases) {
    WriteFileBytes(folder + L"\\reg.ini", content);
    EXPECT_EQ(HasOemRegistryName(), expected) << content;
  }
}

TEST(ProductUserFolders, EachNeedsItsParentIsMadeOnceAndShellPathsComeWhole) {
  TempFolder profile(L"vxprofile");
  ScopedShellFolder roaming(L"AppData", profile / L"Roaming");
  ScopedShellFolder local(L"Local AppData", profile / L"Local");
  const std::wstring release = profile / L"Roaming\\Quillforge\\QUILLFORGE Vx 2026";
  std::wstring folder;
  EXPECT_TRUE(!GetSceneloomSettingsFolder(folder) && folder == release + L"\\Sceneloom Settings");
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(GetRoamingProductFolder(folder) && GetVxReleaseFolder(folder) &&
                folder == release && GetSceneloomSettingsFolder(folder) &&
                folder == release + L"\\Sceneloom Settings" && PathIsFolder(folder))
        << round;
    EXPECT_TRUE(GetLocalProductFolder(folder) && folder == profile / L"Local\\Quillforge" &&
                PathIsFolder(folder))
        << round;
  }
  // Both shell-folder readers: the longest path whole, an unknown one untouched, none "".
  const std::wstring longest = profile / std::wstring(258 - profile.path().size(), L'r');
  ScopedShellFolder deep(L"AppData", longest);
  for (bool (*read)(int, std::wstring&) : {GetShellFolderPath, GetSpecialFolderPath}) {
    EXPECT_TRUE(read(CSIDL_APPDATA, folder) && folder == longest && !read(0x7f, folder) &&
                folder == longest && read(CSIDL_DRIVES, folder) && folder.empty());
  }
}
