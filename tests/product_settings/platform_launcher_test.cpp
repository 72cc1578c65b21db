// The start program is the recording fake Xperf under the name HALSTART.exe.

#include <gtest/gtest.h>

#include "library/product_settings/platform_web_address_detail.h"
#include "library/product_settings/product_settings.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace product_settings::detail;

TEST(PlatformLauncher, StartedWithTheSmValueStoredAndTheWebAddressCutAndOpenedByTheShell) {
  TempFolder folder{L"vxlauncher"};
  const std::wstring log = folder / L"start.log";
  ScopedEnv logEnv{L"VX_FAKE_XPERF_LOG", log};
  ScratchKey machine{HKEY_LOCAL_MACHINE,
                     L"SOFTWARE\\Brevanne Koltec\\QFXConnectors\\QFXDesktopLauncher"};
  ScratchKey user{HKEY_CURRENT_USER,
                  L"Software\\Brevanne Koltec\\QUILLFORGEPDM\\Servers\\CORVANTA"};
  const auto setUp = [&] {
    CopyFileW((FakeXperfFolder() + L"\\Xperf.exe").c_str(), (folder / L"HALSTART.exe").c_str(),
              FALSE);
    WriteFileBytes(folder / L"QFXDesktopLauncher.exe", "not run");
    const wchar_t* const values[][2] = {
        {L"SpaceURL", L"S 1"}, {L"MyAppsURL", L"A1"}, {L"RegistryURL", L"R1"}, {L"Tenant", L"T1"}};
    for (const auto& value : values) SetText(user.root(), user.path(), value[0], value[1]);
    SetText(machine.root(), machine.path(), L"Path", folder.path());
  };
  const auto record = [&](HANDLE process) {
    fw::unique_handle owned(process);
    EXPECT_NE(process, nullptr);
    EXPECT_EQ(::WaitForSingleObject(process, 15000), WAIT_OBJECT_0);
    return ReadFileBytes(log);
  };
  setUp();
  HANDLE untouched = reinterpret_cast<HANDLE>(0x1234);
  SetText(user.root(), user.path(), L"Tenant", L"");
  EXPECT_FALSE(StartDesktopLauncher(&untouched));
  for (const wchar_t* file : {L"HALSTART.exe", L"QFXDesktopLauncher.exe"}) {
    setUp();
    ASSERT_TRUE(::DeleteFileW((folder / file).c_str()));
    EXPECT_FALSE(StartDesktopLauncher(&untouched)) << WideToUtf8(file);
  }
  DeleteTree(machine.root(), machine.path());
  EXPECT_FALSE(StartDesktopLauncher(&untouched));
  EXPECT_TRUE(untouched == reinterpret_cast<HANDLE>(0x1234) && !PathExists(log));
  setUp();  // the start program is no program: still true
  WriteFileBytes(folder / L"HALSTART.exe", "not a program");
  EXPECT_TRUE(StartDesktopLauncher(&untouched) && untouched == nullptr);
  setUp();
  ProductKeyName() = L"VxTestSmProduct";
  ScratchKey product(HKEY_CURRENT_USER, L"Software\\VxTestSmProduct");
  const std::wstring sm = product.path() + L"\\Quillforge Vx\\sm";
  EXPECT_EQ(record(StoreSmValueAndStartLauncher(L"v", std::wstring(1022, L'a'))),
            "params=-run \"QFXDesktopLauncher.exe\" -object \"-Url=S 1 --AppName=\\\"QFXCQFK_AP\\\""
            " -MyAppsURL=A1 -tenant=T1 -3DRegistryURL=R1\n");
  EXPECT_EQ(ReadRawValue(HKEY_CURRENT_USER, sm, L"v")->data.size(), 2046u);
  EXPECT_NE(record(StoreSmValueAndStartLauncher(L"w", std::wstring(1023, L'b'))), "");
  EXPECT_FALSE(ReadRawValue(HKEY_CURRENT_USER, sm, L"w"));
  EXPECT_TRUE(ReadRawValue(HKEY_CURRENT_USER, sm, L"w0+"));

  // Below a volatile key no "sm" key can be made: nothing stored, the launcher starts all the same.
  DeleteTree(HKEY_CURRENT_USER, product.path());
  fw::unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, product.path().c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  ::DeleteFileW(log.c_str());
  EXPECT_NE(record(StoreSmValueAndStartLauncher(L"v", L"x")), "");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, sm));
  ProductKeyName().clear();
  const std::pair<const char*, const wchar_t*> cases[] = {
      {"https://a.com/", L""},                    // "https" at the very start
      {"x .com https://a.com", L""},              // first ".com" before "https"
      {"\r\nx https://second.com", L""},          // only the first line counts
      {"a\rb https://c.com\n", L"https://c.com"}  // a lone carriage return stays
  };
  for (const auto& [bytes, address] : cases)
    EXPECT_EQ(CutPlatformWebAddress(Utf8ToWide(FirstTextLine(bytes))), address) << bytes;
  const std::wstring root = L"C:\\ProgramData\\BrevanneKoltec";
  ASSERT_FALSE(PathExists(root));
  ::DeleteFileW(log.c_str());
  ScopedValueOverride handler(HKEY_LOCAL_MACHINE, L"Software\\Classes\\https\\shell\\open\\command",
                              L"", REG_SZ, L"\"" + FakeXperfFolder() + L"\\Xperf.exe\" \"%1\"");
  ASSERT_TRUE(handler.ok());
  OpenPlatformWebAddress();  // no file yet
  ::SHCreateDirectoryExW(nullptr, (root + L"\\CORVANTALauncher").c_str(), nullptr);
  WriteFileBytes(root + L"\\CORVANTALauncher\\data.shared",
                 "id=https://platform.example.com/app?x=1\r\nhttps://no.com\n");
  OpenPlatformWebAddress();
  EXPECT_TRUE(Eventually([&] { return !ReadFileBytes(log).empty(); }, 15000));
  EXPECT_EQ(ReadFileBytes(log), "params=\"https://platform.example.com\"\n");
  RemoveTree(root);
}
