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
const wchar_t kMachineKey[] = L"Software\\Microsoft\\.NETFramework";

// A .NET key under root\path with these version sub-keys (the registry
// enumerates them by name) and InstallRoot, when given.
void BuildTree(HKEY root, const std::wstring& path, std::initializer_list<const wchar_t*> versions,
               const std::wstring* installRoot) {
  for (const wchar_t* name : versions) {
    ASSERT_TRUE(SetText(root, path + L"\\" + name, L"", L""));
  }
  if (installRoot) {
    ASSERT_TRUE(SetText(root, path, L"InstallRoot", *installRoot));
  }
}

class DotNetTree : public ::testing::Test {
 protected:
  void MakeFolders(std::initializer_list<const wchar_t*> names) {
    for (const wchar_t* name : names) {
      ASSERT_TRUE(::CreateDirectoryW((folder_ / name).c_str(), nullptr));
    }
  }
  bool Find(std::wstring& path) {
    return FindDotNetFrameworkFolderAt(HKEY_CURRENT_USER, kTree, path);
  }
  bool List(fw::StringList& list) {
    return ListDotNetFrameworkVersionsAt(HKEY_CURRENT_USER, kTree, list);
  }

  ScratchKey scratch_{HKEY_CURRENT_USER, kTree};
  TempFolder folder_{L"vxdotnet"};
  const std::wstring root_ = folder_.path() + L"\\";
};

}  // namespace

TEST(DotNetVersionName, FirstThreeUnitsOnly) {
  for (const wchar_t* name : {L"v2.0.50727", L"v4.0.30319", L"v9.", L"v2."}) {
    EXPECT_TRUE(IsDotNetVersionKeyName(name)) << WideToUtf8(name);
  }
  for (const wchar_t* name : {L"v1.1.4322", L"v3.0", L"v3.5", L"V4.0", L"v4", L"v40", L"policy",
                              L"Upgrades", L"", L"v", L"v0.1"}) {
    EXPECT_FALSE(IsDotNetVersionKeyName(name)) << WideToUtf8(name);
  }
}

TEST_F(DotNetTree, HighestExistingFolderFirst) {
  BuildTree(HKEY_CURRENT_USER, kTree,
            {L"v2.0.50727", L"v3.0", L"v3.5", L"v4.0.30319", L"policy", L"V4.0", L"v1.1.4322"},
            &root_);
  fw::StringList versions = {L"earlier"};
  EXPECT_TRUE(List(versions));
  EXPECT_EQ(versions, (fw::StringList{L"v4.0.30319", L"v2.0.50727", L"earlier"}));

  MakeFolders({L"v2.0.50727", L"v4.0.30319"});
  std::wstring path;
  EXPECT_TRUE(Find(path));
  EXPECT_EQ(path, root_ + L"v4.0.30319");
  ASSERT_TRUE(::RemoveDirectoryW((folder_ / L"v4.0.30319").c_str()));
  EXPECT_TRUE(Find(path));
  EXPECT_EQ(path, root_ + L"v2.0.50727");

  // No separator is added: without the trailing backslash nothing exists,
  // and the path is left at the last candidate tried.
  ASSERT_TRUE(SetText(HKEY_CURRENT_USER, kTree, L"InstallRoot", folder_.path()));
  EXPECT_FALSE(Find(path));
  EXPECT_EQ(path, folder_.path() + L"v2.0.50727");
}

TEST_F(DotNetTree, NothingToFind) {
  std::wstring path = L"kept";
  fw::StringList versions = {L"earlier"};
  EXPECT_FALSE(List(versions));  // no key
  EXPECT_FALSE(Find(path));
  EXPECT_FALSE(GetDotNetInstallRootAt(HKEY_CURRENT_USER, kTree, path));

  BuildTree(HKEY_CURRENT_USER, kTree, {}, &root_);
  EXPECT_FALSE(List(versions));  // no sub-keys
  BuildTree(HKEY_CURRENT_USER, kTree, {L"v1.1.4322"}, nullptr);
  MakeFolders({L"v1.1.4322", L"v4.0.30319"});
  EXPECT_FALSE(List(versions));  // an old runtime only
  EXPECT_FALSE(Find(path));

  // Versions and their folder, but no InstallRoot.
  DeleteTree(HKEY_CURRENT_USER, kTree);
  BuildTree(HKEY_CURRENT_USER, kTree, {L"v4.0.30319"}, nullptr);
  EXPECT_FALSE(Find(path));
  EXPECT_EQ(versions, fw::StringList{L"earlier"});
  EXPECT_EQ(path, L"kept");
}

// The machine as it is, the expectation worked out here from the raw registry
// and the disk. (The test prefix is made without Wine's .NET runtime, so this
// is normally "no key: false everywhere".)
TEST(DotNetMachine, AgreesWithTheRegistryAndTheDisk) {
  const auto rawRoot = ReadRawValue(HKEY_LOCAL_MACHINE, kMachineKey, L"InstallRoot");
  std::wstring installRoot;
  EXPECT_EQ(GetDotNetInstallRoot(installRoot), rawRoot.has_value());

  fw::StringList expected;
  if (const fw::unique_hkey key = OpenTestKey(HKEY_LOCAL_MACHINE, kMachineKey, KEY_READ)) {
    wchar_t name[MAX_PATH];
    for (DWORD i = 0; ::RegEnumKeyW(key.get(), i, name, MAX_PATH) == ERROR_SUCCESS; ++i) {
      if (name[0] == L'v' && name[1] >= L'2' && name[1] <= L'9' && name[1] != L'3' &&
          name[2] == L'.') {
        expected.push_front(name);
      }
    }
  }
  fw::StringList versions;
  EXPECT_EQ(ListDotNetFrameworkVersions(versions), !expected.empty());
  EXPECT_EQ(versions, expected);

  std::wstring expectedPath;
  for (const std::wstring& version : expected) {
    if (rawRoot && PathExists(installRoot + version)) {
      expectedPath = installRoot + version;
      break;
    }
  }
  std::wstring path;
  EXPECT_EQ(FindDotNetFrameworkFolder(path), !expectedPath.empty());
  if (!expectedPath.empty()) {
    EXPECT_EQ(path, expectedPath);
  }
  std::printf("InstallRoot %s, %zu runtime version(s), folder %s\n",
              rawRoot ? WideToUtf8(installRoot).c_str() : "absent", expected.size(),
              expectedPath.empty() ? "none" : WideToUtf8(expectedPath).c_str());
}

// The public routines read exactly the machine key: proven by lending them one
// when the machine has none (removed again afterwards).
TEST(DotNetMachine, ReadsTheMachineKeyItself) {
  if (KeyExists(HKEY_LOCAL_MACHINE, kMachineKey)) GTEST_SKIP() << "the machine has its own";
  const RemoveIfCreated lent(HKEY_LOCAL_MACHINE, kMachineKey);
  const TempFolder folder(L"vxdotnetmachine");
  const std::wstring root = folder.path() + L"\\";
  BuildTree(HKEY_LOCAL_MACHINE, kMachineKey, {L"v2.0.50727", L"v4.0.30319"}, &root);
  ASSERT_TRUE(::CreateDirectoryW((folder / L"v2.0.50727").c_str(), nullptr));

  std::wstring installRoot, path;
  fw::StringList versions;
  EXPECT_TRUE(GetDotNetInstallRoot(installRoot));
  EXPECT_EQ(installRoot, root);
  EXPECT_TRUE(ListDotNetFrameworkVersions(versions));
  EXPECT_EQ(versions, (fw::StringList{L"v4.0.30319", L"v2.0.50727"}));
  EXPECT_TRUE(FindDotNetFrameworkFolder(path));
  EXPECT_EQ(path, folder / L"v2.0.50727");
}
