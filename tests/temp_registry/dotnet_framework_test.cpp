#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include "library/temp_registry/dotnet_framework_probe.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace temp_registry::detail;

static const wchar_t kTree[] = L"Software\\VxTestDotNet";

TEST(DotNetTree, HighestExistingFolderFirstAndNothingToFind) {
  const ScratchKey scratch(HKEY_CURRENT_USER, kTree);
  const TempFolder folder(L"vxdotnet");
  const std::wstring root = folder.path() + L"\\";
  std::wstring path = L"kept";
  fw::StringList versions = {L"earlier"};
  EXPECT_FALSE(ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, versions) ||  // no key
               FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path) ||
               GetDotNetInstallRootAt(HKEY_CURRENT_USER, kTree, path));
  const auto add = [](std::initializer_list<const wchar_t*> versions) {
    for (const wchar_t* name : versions)
      SetText(HKEY_CURRENT_USER, std::wstring(kTree) + L"\\" + name, L"", L"");
  };
  // Only "v" and a digit 2 to 9 but 3, then a dot, names a runtime.
  add({L"v1.1.4322", L"v3.5", L"policy", L"V4.0", L"v40", L"v:.0"});
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kTree, L"InstallRoot", root));
  ASSERT_TRUE(::CreateDirectoryW((folder / L"v1.1.4322").c_str(), nullptr));
  EXPECT_FALSE(ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, versions) ||
               FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_TRUE(versions == fw::StringList{L"earlier"} && path == L"kept");
  add({L"v2.0.50727", L"v4.0.30319", L"v"});
  EXPECT_TRUE(ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, versions));
  EXPECT_EQ(versions, (fw::StringList{L"v4.0.30319", L"v2.0.50727", L"earlier"}));
  ASSERT_TRUE(::CreateDirectoryW((folder / L"v2.0.50727").c_str(), nullptr));
  EXPECT_TRUE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_EQ(path, root + L"v2.0.50727");
  // No separator is added: without the trailing backslash, the last candidate tried.
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kTree, L"InstallRoot", folder.path()));
  EXPECT_FALSE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_EQ(path, folder.path() + L"v2.0.50727");
}
