// The debug-log commands through the real pipe: what lands in the registry
// (type and exact bytes) and on disk.

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "elevated_tasks/command_text.h"
#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

constexpr wchar_t kParentKey[] = L"SOFTWARE\\Brevanne Koltec";
constexpr wchar_t kKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

std::optional<std::wstring> SzValue(const wchar_t* name) {
  auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, name);
  if (!value) return std::nullopt;
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ)) << "value " << WideToUtf8(name);
  EXPECT_GE(value->data.size(), 2u);
  EXPECT_EQ(value->data.size() % 2, 0u);
  // The stored bytes must end in exactly one NUL unit that is counted.
  const auto* units = reinterpret_cast<const wchar_t*>(value->data.data());
  const size_t count = value->data.size() / 2;
  EXPECT_EQ(units[count - 1], L'\0');
  return std::wstring(units, count - 1);
}

// Runs one session of ElevatedTasks with the given TEMP (nullopt: unset).
class RegistryCommands : public ::testing::Test {
 protected:
  void SetUp() override { DeleteTree(HKEY_LOCAL_MACHINE, kParentKey); }
  void TearDown() override {
    EndSession();
    DeleteTree(HKEY_LOCAL_MACHINE, kParentKey);
  }
  void BeginSession(const std::optional<std::wstring>& temp) {
    ScopedEnv env(L"TEMP", temp);
    server_ = StartElevatedTasksForThisProcess();
    pipe_ = ConnectPipe();
    ASSERT_TRUE(pipe_);
  }
  void EndSession() {
    if (!pipe_) return;
    RoundTrip(pipe_.get(), Quit);
    pipe_.reset();
    EXPECT_EQ(WaitExit(server_, 10000), 0u);
    KillChild(server_);
  }

  TempFolder temp_{L"vxtemp"};
  Child server_;
  fw::unique_hfile pipe_;
};

TEST_F(RegistryCommands, DebugDirCreateMakesStampedFolderAndStoresItsPath) {
  BeginSession(temp_.path());
  const std::wstring before = elevated::detail::CurrentTimeStamp();
  RoundTrip(pipe_.get(), DebugDirCreate);
  const std::wstring after = elevated::detail::CurrentTimeStamp();

  const auto value = SzValue(L"DebugDir");
  ASSERT_TRUE(value);
  const std::wstring prefix = temp_.path() + L"\\MySession_XML_Logs";
  ASSERT_EQ(value->substr(0, prefix.size()), prefix);
  const std::wstring stamp = value->substr(prefix.size());
  ASSERT_EQ(stamp.size(), 13u) << WideToUtf8(*value);
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after);
  EXPECT_TRUE(PathIsFolder(*value));

  // Again within the same second or later: the value follows the newest folder.
  RoundTrip(pipe_.get(), DebugDirCreate);
  const auto again = SzValue(L"DebugDir");
  ASSERT_TRUE(again);
  EXPECT_GE(*again, *value);
  EXPECT_TRUE(PathIsFolder(*again));
}

TEST_F(RegistryCommands, LnkagtCreateAlwaysGivesTheSameFolder) {
  BeginSession(temp_.path() + L"\\");  // a trailing backslash is kept as it is
  RoundTrip(pipe_.get(), LNKAGTDebugDirCreate);
  RoundTrip(pipe_.get(), LNKAGTDebugDirCreate);
  EXPECT_EQ(SzValue(L"LNKAGTDebugDir"), temp_.path() + L"\\\\LNKAGT_Logs");
  EXPECT_TRUE(PathIsFolder(temp_.path() + L"\\LNKAGT_Logs"));
  EXPECT_FALSE(SzValue(L"DebugDir").has_value());
}

TEST_F(RegistryCommands, UnsetOrOverlongTempFallsBackToCTemp) {
  for (const std::optional<std::wstring>& temp :
       {std::optional<std::wstring>(),
        std::optional<std::wstring>(L"C:\\" + std::wstring(300, L't'))}) {
    SCOPED_TRACE(temp ? "overlong TEMP" : "TEMP unset");
    BeginSession(temp);
    RoundTrip(pipe_.get(), LNKAGTDebugDirCreate);
    RoundTrip(pipe_.get(), DebugDirCreate);
    EndSession();
    EXPECT_EQ(SzValue(L"LNKAGTDebugDir"), L"c:\\temp\\LNKAGT_Logs");
    const auto value = SzValue(L"DebugDir");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->substr(0, 26), L"c:\\temp\\MySession_XML_Logs");
    EXPECT_EQ(value->size(), 26u + 13u);
    DeleteTree(HKEY_LOCAL_MACHINE, kParentKey);
  }
}

TEST_F(RegistryCommands, MissingTempFolderStillStoresThePath) {
  const std::wstring missing = temp_.path() + L"\\not\\there";
  BeginSession(missing);
  RoundTrip(pipe_.get(), LNKAGTDebugDirCreate);
  EXPECT_EQ(SzValue(L"LNKAGTDebugDir"), missing + L"\\LNKAGT_Logs");
  EXPECT_FALSE(PathExists(missing));
}

TEST_F(RegistryCommands, SetStoresExactTextsIncludingEmptyAndLongest) {
  BeginSession(temp_.path());
  RoundTrip(pipe_.get(), DebugDirSet, L"");
  auto raw = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, L"DebugDir");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(raw->data, std::vector<BYTE>(2, 0));  // the terminator alone

  const std::wstring longest = L"D:\\" + std::wstring(256, L'x');  // 259 units
  RoundTrip(pipe_.get(), LNKAGTDebugDirSet, longest);
  raw = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, L"LNKAGTDebugDir");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->data, SzBytes(longest));
  EXPECT_EQ(raw->data.size(), 520u);

  // Set replaces, and creates no folder.
  RoundTrip(pipe_.get(), DebugDirSet, temp_.path() + L"\\ann lee");
  EXPECT_EQ(SzValue(L"DebugDir"), temp_.path() + L"\\ann lee");
  EXPECT_FALSE(PathExists(temp_.path() + L"\\ann lee"));
}

TEST_F(RegistryCommands, DeleteRemovesValueLeavesFolderAndCreatesNothing) {
  BeginSession(temp_.path());
  // Under an absent key: nothing is created.
  RoundTrip(pipe_.get(), DebugDirDelete);
  RoundTrip(pipe_.get(), LNKAGTDebugDirDelete);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kParentKey));

  RoundTrip(pipe_.get(), LNKAGTDebugDirCreate);
  RoundTrip(pipe_.get(), DebugDirSet, L"C:\\keep");
  RoundTrip(pipe_.get(), LNKAGTDebugDirDelete);
  EXPECT_FALSE(SzValue(L"LNKAGTDebugDir").has_value());
  EXPECT_EQ(SzValue(L"DebugDir"), L"C:\\keep");  // the other value stays
  EXPECT_TRUE(PathIsFolder(temp_.path() + L"\\LNKAGT_Logs"));

  // An absent value: the key stays as it was.
  RoundTrip(pipe_.get(), LNKAGTDebugDirDelete);
  EXPECT_EQ(SzValue(L"DebugDir"), L"C:\\keep");
}

// Finds the message box of ElevatedTasks and answers it with OK.
bool CloseRegistryFailureBox(DWORD serverPid, std::wstring& text) {
  struct Search {
    DWORD pid;
    HWND found;
  } search = {serverPid, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        wchar_t className[64] = {};
        ::GetClassNameW(window, className, 64);
        if (pid == s->pid && std::wcscmp(className, L"#32770") == 0 && ::IsWindowVisible(window)) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  if (!search.found) return false;
  wchar_t caption[128] = {};
  ::GetWindowTextW(search.found, caption, 128);
  wchar_t body[256] = {};
  // The box's text sits in its static control (id 0xFFFF).
  ::GetDlgItemTextW(search.found, 0xFFFF, body, 256);
  text = std::wstring(caption) + L"|" + body;
  ::PostMessageW(search.found, WM_COMMAND, IDOK, 0);
  return true;
}

TEST_F(RegistryCommands, FailedWriteShowsBoxAndHoldsAcknowledgementUntilClosed) {
  // Below a volatile key no lasting key can be made: a real creation failure.
  fw::unique_hkey volatileParent;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kParentKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, volatileParent.put(), nullptr),
            ERROR_SUCCESS);
  BeginSession(temp_.path());
  ASSERT_TRUE(SendPipeMessage(pipe_.get(), MakeMessage(DebugDirSet, L"C:\\x")));

  // No acknowledgement while the box is up.
  std::wstring boxText;
  bool closed = false;
  for (int i = 0; i < 200 && !closed; ++i) {
    ::Sleep(50);
    DWORD available = 0;
    ASSERT_TRUE(::PeekNamedPipe(pipe_.get(), nullptr, 0, nullptr, &available, nullptr));
    ASSERT_EQ(available, 0u) << "acknowledged before the box was closed";
    closed = CloseRegistryFailureBox(server_.pid, boxText);
  }
  ASSERT_TRUE(closed) << "no message box appeared";
  EXPECT_EQ(boxText, L"qlfVxElevatedTasks|Registry key failed");
  EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe_.get(), 10000)));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

}  // namespace
