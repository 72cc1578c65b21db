#include <gtest/gtest.h>

#include "elevated_tasks/command_text.h"
#include "tests/support/test_support.h"

using namespace vxtest;

constexpr wchar_t kParentKey[] = L"SOFTWARE\\Brevanne Koltec";
constexpr wchar_t kKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

static std::optional<std::wstring> SzValue(const wchar_t* name) {
  const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, name);
  if (!value) return std::nullopt;
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ)) << WideToUtf8(name);
  std::wstring text(reinterpret_cast<const wchar_t*>(value->data.data()), value->data.size() / 2);
  text = text.substr(0, text.find(L'\0'));
  EXPECT_EQ(value->data, SzBytes(text)) << WideToUtf8(name);
  return text;
}

class RegistryCommands : public ::testing::Test {
 protected:
  void TearDown() override {
    if (session_) session_->Finish();
  }
  HANDLE Begin(const std::optional<std::wstring>& temp) {
    ScopedEnv env(L"TEMP", temp);
    session_.emplace();
    return session_->pipe.get();
  }

  ScratchKey parent_{HKEY_LOCAL_MACHINE, kParentKey};
  TempFolder temp_{L"vxtemp"};
  std::optional<Session> session_;
};

// A folder is made only where its parent exists.
TEST_F(RegistryCommands, CreateUsesTempOrCTempAndStampsTheTime) {
  const std::wstring missing = temp_.path() + L"\\not\\there";
  const std::pair<std::optional<std::wstring>, std::wstring> cases[] = {
      {temp_.path() + L"\\", temp_.path() + L"\\"},
      {std::nullopt, L"c:\\temp"},
      {L"C:\\" + std::wstring(300, L't'), L"c:\\temp"},
      {missing, missing}};
  for (const auto& [temp, folder] : cases) {
    SCOPED_TRACE(WideToUtf8(temp.value_or(L"(unset)")));
    HANDLE pipe = Begin(temp);
    RoundTrip(pipe, LNKAGTDebugDirCreate);
    RoundTrip(pipe, LNKAGTDebugDirCreate);
    const std::wstring before = elevated::detail::CurrentTimeStamp();
    RoundTrip(pipe, DebugDirCreate);
    const std::wstring after = elevated::detail::CurrentTimeStamp();
    session_->Finish();
    EXPECT_EQ(SzValue(L"LNKAGTDebugDir"), folder + L"\\LNKAGT_Logs");
    EXPECT_EQ(PathIsFolder(folder + L"\\LNKAGT_Logs"), PathIsFolder(folder));
    const std::wstring value = SzValue(L"DebugDir").value_or(L""),
                       prefix = folder + L"\\MySession_XML_Logs";
    const std::wstring stamp = value.substr(std::min(value.size(), prefix.size()));
    EXPECT_EQ(value, prefix + stamp);
    EXPECT_TRUE(stamp.size() == 13 && stamp >= before && stamp <= after) << WideToUtf8(stamp);
    EXPECT_EQ(PathIsFolder(value), PathIsFolder(folder));
    DeleteTree(HKEY_LOCAL_MACHINE, kParentKey);
  }
  EXPECT_FALSE(PathExists(missing));
}

TEST_F(RegistryCommands, SetAndDeleteStoreExactTextsAndCreateNothing) {
  HANDLE pipe = Begin(temp_.path());
  RoundTrip(pipe, DebugDirDelete);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kParentKey)) << "created under an absent key";
  RoundTrip(pipe, DebugDirSet, L"");
  EXPECT_EQ(SzValue(L"DebugDir"), L"");  // the terminator alone
  const std::wstring longest = L"D:\\" + std::wstring(256, L'x');
  RoundTrip(pipe, LNKAGTDebugDirSet, longest);
  EXPECT_EQ(SzValue(L"LNKAGTDebugDir"), longest);
  RoundTrip(pipe, DebugDirSet, temp_.path() + L"\\ann lee");
  EXPECT_EQ(SzValue(L"DebugDir"), temp_.path() + L"\\ann lee");
  EXPECT_FALSE(PathExists(temp_.path() + L"\\ann lee"));

  RoundTrip(pipe, LNKAGTDebugDirCreate);
  RoundTrip(pipe, LNKAGTDebugDirDelete);
  EXPECT_FALSE(SzValue(L"LNKAGTDebugDir"));
  EXPECT_EQ(SzValue(L"DebugDir"), temp_.path() + L"\\ann lee");
  EXPECT_TRUE(PathIsFolder(temp_.path() + L"\\LNKAGT_Logs"));
}

TEST_F(RegistryCommands, FailedWriteShowsBoxAndHoldsAcknowledgementUntilClosed) {
  fw::unique_hkey volatileParent;  // below it no lasting key can be made
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kParentKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, volatileParent.put(), nullptr),
            ERROR_SUCCESS);
  HANDLE pipe = Begin(temp_.path());
  ASSERT_TRUE(SendPipeMessage(pipe, MakeMessage(DebugDirSet, L"C:\\x")));

  HWND box = nullptr;
  ASSERT_TRUE(Eventually([&] {
    return ::IsWindowVisible(box = ::FindWindowW(L"#32770", L"qlfVxElevatedTasks")) != FALSE;
  })) << "no message box appeared";
  DWORD available = 0;
  ASSERT_TRUE(::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr));
  ASSERT_EQ(available, 0u) << "acknowledged before the box was closed";
  wchar_t caption[128] = {}, body[256] = {};
  ::GetWindowTextW(box, caption, 128);
  ::GetDlgItemTextW(box, 0xFFFF, body, 256);  // the box's static text
  EXPECT_EQ(std::wstring(caption) + L"|" + body, L"qlfVxElevatedTasks|Registry key failed");
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe, 10000)));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(RegistryCommands, WriteMachineStringRefuses512UnitsBeforeOpeningAndStores511Whole) {
  EXPECT_EQ(WriteMachineString(kKey, std::wstring(512, L'x'), L"DebugDir", 0, REG_SZ),
            ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kParentKey)) << "opened before refusing";
  EXPECT_EQ(WriteMachineString(kKey, std::wstring(511, L'y'), L"DebugDir", 0, REG_SZ), 0);
  EXPECT_EQ(SzValue(L"DebugDir"), std::wstring(511, L'y'));
}
