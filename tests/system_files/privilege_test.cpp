// Switching a privilege of this process's token: the token's real state
// afterwards, and every byte written to standard output (in a child).

#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace {

// The attributes the privilege has in this process's token, or nullopt when
// the token does not hold it.
std::optional<DWORD> PrivilegeAttributes(const wchar_t* name) {
  LUID luid = {};
  if (!::LookupPrivilegeValueW(nullptr, name, &luid)) return std::nullopt;
  fw::unique_handle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return std::nullopt;
  DWORD bytes = 0;
  ::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &bytes);
  std::vector<BYTE> buffer(bytes);
  if (!::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), bytes, &bytes)) {
    return std::nullopt;
  }
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
    if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart) {
      return entry.Attributes;
    }
  }
  return std::nullopt;
}

bool IsEnabled(const wchar_t* name) {
  const auto attributes = PrivilegeAttributes(name);
  return attributes && (*attributes & SE_PRIVILEGE_ENABLED) != 0;
}

// A privilege this process's token does not hold, or nullptr.
const wchar_t* PrivilegeNotHeld() {
  for (const wchar_t* name : {SE_CREATE_TOKEN_NAME, SE_ASSIGNPRIMARYTOKEN_NAME, SE_LOCK_MEMORY_NAME,
                              SE_MACHINE_ACCOUNT_NAME, SE_AUDIT_NAME, SE_RELABEL_NAME}) {
    LUID luid = {};
    if (::LookupPrivilegeValueW(nullptr, name, &luid) && !PrivilegeAttributes(name)) return name;
  }
  return nullptr;
}

// Runs EnableTokenPrivilege for each argument pair in a child; its whole
// output, each routine's lines followed by "result=<code>".
std::string ProbePrivileges(const std::wstring& arguments) {
  vxtest::Child child = vxtest::StartChild(
      L"\"" + vxtest::BinPath(L"system_probe.exe") + L"\" privilege " + arguments, true);
  const std::string output = vxtest::ReadAllOutput(child);
  EXPECT_EQ(vxtest::WaitExit(child, 30000), 0u);
  return output;
}

}  // namespace

TEST(EnableTokenPrivilege, EnablesAndDisablesAPrivilegeTheTokenHolds) {
  ASSERT_TRUE(PrivilegeAttributes(SE_BACKUP_NAME)) << "Wine's token holds the backup privilege";
  const bool backupWasEnabled = IsEnabled(SE_BACKUP_NAME);
  const bool restoreWasEnabled = IsEnabled(SE_RESTORE_NAME);

  EXPECT_EQ(EnableTokenPrivilege(SE_BACKUP_NAME, TRUE), 0u);
  EXPECT_TRUE(IsEnabled(SE_BACKUP_NAME));
  EXPECT_EQ(EnableTokenPrivilege(SE_BACKUP_NAME, TRUE), 0u) << "enabling twice";
  EXPECT_TRUE(IsEnabled(SE_BACKUP_NAME));

  EXPECT_EQ(EnableTokenPrivilege(SE_BACKUP_NAME, FALSE), 0u);
  EXPECT_FALSE(IsEnabled(SE_BACKUP_NAME));
  EXPECT_TRUE(PrivilegeAttributes(SE_BACKUP_NAME)) << "disabled, not removed";
  EXPECT_EQ(EnableTokenPrivilege(SE_BACKUP_NAME, FALSE), 0u) << "disabling twice";
  EXPECT_FALSE(IsEnabled(SE_BACKUP_NAME));

  // Any non-zero flag enables.
  EXPECT_EQ(EnableTokenPrivilege(SE_RESTORE_NAME, 7), 0u);
  EXPECT_TRUE(IsEnabled(SE_RESTORE_NAME));
  EXPECT_EQ(EnableTokenPrivilege(SE_RESTORE_NAME, FALSE), 0u);
  EXPECT_FALSE(IsEnabled(SE_RESTORE_NAME));

  EnableTokenPrivilege(SE_BACKUP_NAME, backupWasEnabled);
  EnableTokenPrivilege(SE_RESTORE_NAME, restoreWasEnabled);
}

TEST(EnableTokenPrivilege, PrivilegeNotHeldStillGivesSuccess) {
  const wchar_t* name = PrivilegeNotHeld();
  ASSERT_NE(name, nullptr) << "every candidate privilege is held";
  EXPECT_EQ(EnableTokenPrivilege(name, TRUE), 0u);
  EXPECT_FALSE(PrivilegeAttributes(name)) << "nothing was added to the token";
}

TEST(EnableTokenPrivilege, UnknownNamesFail) {
  EXPECT_EQ(EnableTokenPrivilege(L"SeNoSuchPrivilege", TRUE), 1627u);
  EXPECT_EQ(EnableTokenPrivilege(L"SeNoSuchPrivilege", FALSE), 1627u);
  EXPECT_EQ(EnableTokenPrivilege(L"", TRUE), 1627u);
  EXPECT_EQ(EnableTokenPrivilege(nullptr, TRUE), 1627u);
}

TEST(EnableTokenPrivilege, ConsoleShowsOnlyTheFailureLine) {
  // The C runtime's text mode writes each line feed as CR LF.
  EXPECT_EQ(ProbePrivileges(L"SeNoSuchPrivilege 1"),
            "Failed LookupPrivilegeValue\r\nresult=1627\r\n");
  EXPECT_EQ(ProbePrivileges(L"\"\" 0"), "Failed LookupPrivilegeValue\r\nresult=1627\r\n");
  EXPECT_EQ(ProbePrivileges(L"SeBackupPrivilege 1 SeBackupPrivilege 1 SeBackupPrivilege 0 "
                            L"SeBackupPrivilege 0"),
            "result=0\r\nresult=0\r\nresult=0\r\nresult=0\r\n");
  const wchar_t* notHeld = PrivilegeNotHeld();
  ASSERT_NE(notHeld, nullptr);
  EXPECT_EQ(ProbePrivileges(std::wstring(notHeld) + L" 1"), "result=0\r\n");
  EXPECT_EQ(ProbePrivileges(L"SeDebugPrivilege 1 SeNoSuchPrivilege 1 SeDebugPrivilege 0"),
            "result=0\r\nFailed LookupPrivilegeValue\r\nresult=1627\r\nresult=0\r\n");
}
