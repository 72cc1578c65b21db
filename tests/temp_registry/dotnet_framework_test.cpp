// .NET Framework detection on a key tree of the test's own, and on the Wine
// machine as it stands.

#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "library/temp_registry/dotnet_framework_probe.h"
#include "tests/support/registry_value_support.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace temp_registry::detail;

namespace {

const wchar_t kTree[] = L"Software\\VxTestDotNet";

class DotNetTree : public ::testing::Test {
 protected:
  // Sub-keys are created in this order; the registry enumerates them by name.
  void AddVersions(std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
      ASSERT_TRUE(SetText(HKEY_CURRENT_USER, std::wstring(kTree) + L"\\" + name, L"", L""));
    }
  }
  void SetInstallRoot(const std::wstring& root) {
    ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kTree, L"InstallRoot", root));
  }
  void MakeFolder(const std::wstring& name) {
    ASSERT_TRUE(::CreateDirectoryW((folder_ / name).c_str(), nullptr));
  }
  std::wstring Root() const { return folder_.path() + L"\\"; }

  ScratchKey scratch_{HKEY_CURRENT_USER, kTree};
  TempFolder folder_{L"vxdotnet"};
};

}  // namespace

TEST(DotNetVersionName, FirstThreeUnitsOnly) {
  const struct {
    const wchar_t* name;
    bool qualifies;
  } cases[] = {
      {L"v2.0.50727", true}, {L"v4.0.30319", true}, {L"v9.", true},     {L"v2.", true},
      {L"v1.1.4322", false}, {L"v3.0", false},      {L"v3.5", false},   {L"V4.0", false},
      {L"v4", false},        {L"v40", false},       {L"policy", false}, {L"Upgrades", false},
      {L"", false},          {L"v", false},         {L"v0.1", false},   {L"va.", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDotNetVersionKeyName(c.name), c.qualifies) << WideToUtf8(c.name);
  }
}

TEST_F(DotNetTree, VersionsAtTheHeadInReverseOrder) {
  AddVersions({L"v2.0.50727", L"v3.0", L"v3.5", L"v4.0.30319", L"policy", L"V4.0", L"v1.1.4322"});
  fw::StringList versions = {L"earlier"};
  EXPECT_TRUE(ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, versions));
  EXPECT_EQ(versions, (fw::StringList{L"v4.0.30319", L"v2.0.50727", L"earlier"}));
}

TEST_F(DotNetTree, HighestExistingFolderWins) {
  AddVersions({L"v2.0.50727", L"v3.0", L"v3.5", L"v4.0.30319"});
  SetInstallRoot(Root());
  MakeFolder(L"v2.0.50727");
  MakeFolder(L"v4.0.30319");
  std::wstring path;
  EXPECT_TRUE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_EQ(path, Root() + L"v4.0.30319");

  ASSERT_TRUE(::RemoveDirectoryW((folder_ / L"v4.0.30319").c_str()));
  EXPECT_TRUE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_EQ(path, Root() + L"v2.0.50727");

  std::wstring installRoot;
  EXPECT_TRUE(GetDotNetInstallRootAt(HKEY_CURRENT_USER, kTree, installRoot));
  EXPECT_EQ(installRoot, Root());
}

TEST_F(DotNetTree, NoSeparatorIsAddedToTheInstallRoot) {
  AddVersions({L"v2.0.50727", L"v4.0.30319"});
  SetInstallRoot(folder_.path());  // no trailing backslash
  MakeFolder(L"v2.0.50727");
  MakeFolder(L"v4.0.30319");
  std::wstring path;
  EXPECT_FALSE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_EQ(path, folder_.path() + L"v2.0.50727");  // the last candidate tried
}

TEST_F(DotNetTree, NothingToFind) {
  std::wstring path = L"kept";
  fw::StringList versions = {L"earlier"};
  // No key at all.
  EXPECT_FALSE(ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, versions));
  EXPECT_FALSE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_FALSE(GetDotNetInstallRootAt(HKEY_CURRENT_USER, kTree, path));

  // A key without sub-keys, then with an old runtime only.
  SetInstallRoot(Root());
  EXPECT_FALSE(ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, versions));
  AddVersions({L"v1.1.4322"});
  MakeFolder(L"v1.1.4322");
  EXPECT_FALSE(ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, versions));
  EXPECT_FALSE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_EQ(versions, fw::StringList{L"earlier"});
  EXPECT_EQ(path, L"kept");
}

TEST_F(DotNetTree, AMissingInstallRootFailsTheSearch) {
  AddVersions({L"v4.0.30319"});
  MakeFolder(L"v4.0.30319");
  std::wstring path = L"kept";
  EXPECT_FALSE(FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path));
  EXPECT_EQ(path, L"kept");
}

TEST_F(DotNetTree, InstallRootOfAnyTypeAsText) {
  ASSERT_TRUE(SetRawValue(HKEY_CURRENT_USER, kTree, L"InstallRoot", REG_EXPAND_SZ,
                          SzBytes(L"%SystemRoot%\\Microsoft.NET\\Framework\\")));
  std::wstring installRoot;
  EXPECT_TRUE(GetDotNetInstallRootAt(HKEY_CURRENT_USER, kTree, installRoot));
  EXPECT_EQ(installRoot, L"%SystemRoot%\\Microsoft.NET\\Framework\\");
}

// The machine as it is: the expectation is worked out here from the raw
// registry and the disk. (The test prefix is made without Wine's .NET
// runtime, so there this is normally "no key: false everywhere".)
TEST(DotNetMachine, AgreesWithTheRegistryAndTheDisk) {
  const wchar_t key[] = L"Software\\Microsoft\\.NETFramework";
  const auto rawRoot = ReadRawValue(HKEY_LOCAL_MACHINE, key, L"InstallRoot");
  std::wstring installRoot = L"unset";
  EXPECT_EQ(GetDotNetInstallRoot(installRoot), rawRoot.has_value());

  fw::StringList expected;
  if (const fw::unique_hkey machine = OpenTestKey(HKEY_LOCAL_MACHINE, key, KEY_READ)) {
    wchar_t name[MAX_PATH];
    for (DWORD index = 0; ::RegEnumKeyW(machine.get(), index, name, MAX_PATH) == ERROR_SUCCESS;
         ++index) {
      const std::wstring text(name);
      if (text.size() > 2 && text[0] == L'v' && text[1] >= L'2' && text[1] <= L'9' &&
          text[1] != L'3' && text[2] == L'.') {
        expected.push_front(text);
      }
    }
  }
  fw::StringList versions;
  EXPECT_EQ(ListDotNetFrameworkVersions(versions), !expected.empty());
  EXPECT_EQ(versions, expected);

  bool folderExpected = false;
  std::wstring expectedPath;
  if (rawRoot) {
    for (const std::wstring& version : expected) {
      if (PathExists(installRoot + version)) {
        folderExpected = true;
        expectedPath = installRoot + version;
        break;
      }
    }
  }
  std::wstring path;
  EXPECT_EQ(FindDotNetFrameworkFolder(path), folderExpected);
  if (folderExpected) {
    EXPECT_EQ(path, expectedPath);
  }
  std::printf("InstallRoot %s, %zu runtime version(s), folder %s\n",
              rawRoot ? WideToUtf8(installRoot).c_str() : "absent", expected.size(),
              folderExpected ? WideToUtf8(expectedPath).c_str() : "none");
}

// The public routines read exactly the machine key: proven by lending them one
// when the machine has none (removed again afterwards).
TEST(DotNetMachine, ReadsTheMachineKeyItself) {
  const wchar_t key[] = L"Software\\Microsoft\\.NETFramework";
  if (KeyExists(HKEY_LOCAL_MACHINE, key)) GTEST_SKIP() << "this machine has its own .NET key";
  const RemoveIfCreated lent(HKEY_LOCAL_MACHINE, key);
  const TempFolder folder(L"vxdotnetmachine");
  ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, key, L"InstallRoot", folder.path() + L"\\"));
  for (const wchar_t* name : {L"v2.0.50727", L"v4.0.30319"}) {
    ASSERT_TRUE(SetText(HKEY_LOCAL_MACHINE, std::wstring(key) + L"\\" + name, L"", L""));
  }
  ASSERT_TRUE(::CreateDirectoryW((folder / L"v2.0.50727").c_str(), nullptr));

  std::wstring installRoot, path;
  fw::StringList versions;
  EXPECT_TRUE(GetDotNetInstallRoot(installRoot));
  EXPECT_EQ(installRoot, folder.path() + L"\\");
  EXPECT_TRUE(ListDotNetFrameworkVersions(versions));
  EXPECT_EQ(versions, (fw::StringList{L"v4.0.30319", L"v2.0.50727"}));
  EXPECT_TRUE(FindDotNetFrameworkFolder(path));
  EXPECT_EQ(path, folder / L"v2.0.50727");
}
