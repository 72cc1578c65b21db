#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

// The privilege's attributes in this process's token; nullopt when not held.
std::optional<DWORD> PrivilegeAttributes(const wchar_t* name) {
  LUID luid = {};
  fw::unique_handle token;
  alignas(TOKEN_PRIVILEGES) BYTE buffer[8192];
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
  DWORD bytes = 0;
  if (::LookupPrivilegeValueW(nullptr, name, &luid) &&
      ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
      ::GetTokenInformation(token.get(), TokenPrivileges, buffer, sizeof(buffer), &bytes)) {
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
      const LUID_AND_ATTRIBUTES& entry = privileges->Privileges[i];
      if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart) {
        return entry.Attributes;
      }
    }
  }
  return std::nullopt;
}

bool IsEnabled(const wchar_t* name) {
  return (PrivilegeAttributes(name).value_or(0) & SE_PRIVILEGE_ENABLED) != 0;
}

}  // namespace

TEST(EnableTokenPrivilege, TokenStateResultsAndEveryConsoleByte) {
  ASSERT_TRUE(PrivilegeAttributes(SE_BACKUP_NAME)) << "Wine's token holds the backup privilege";
  const bool wasEnabled = IsEnabled(SE_BACKUP_NAME);
  EXPECT_EQ(EnableTokenPrivilege(SE_BACKUP_NAME, TRUE), 0u);
  EXPECT_TRUE(IsEnabled(SE_BACKUP_NAME));
  EXPECT_EQ(EnableTokenPrivilege(SE_BACKUP_NAME, FALSE), 0u);
  EXPECT_FALSE(IsEnabled(SE_BACKUP_NAME));
  EXPECT_TRUE(PrivilegeAttributes(SE_BACKUP_NAME)) << "disabled, not removed";
  EnableTokenPrivilege(SE_BACKUP_NAME, wasEnabled);
  EXPECT_EQ(EnableTokenPrivilege(nullptr, TRUE), 1627u);

  // A privilege the token does not hold: adjusted "successfully", nothing added.
  const wchar_t* notHeld = SE_CREATE_TOKEN_NAME;
  EXPECT_EQ(EnableTokenPrivilege(notHeld, TRUE), 0u);
  EXPECT_FALSE(PrivilegeAttributes(notHeld));
  // The console, seen from a process of its own: only the failure line, each
  // line feed written by the C runtime's text mode as CR LF.
  vxtest::Child child = vxtest::StartChild(
      L"\"" + vxtest::BinPath(L"system_probe.exe") + L"\" privilege SeBackupPrivilege 1 " +
          L"SeBackupPrivilege 1 SeBackupPrivilege 0 SeNoSuchPrivilege 1 SeNoSuchPrivilege 0 " +
          notHeld + L" 1",
      true);
  EXPECT_EQ(vxtest::ReadAllOutput(child),
            "result=0\r\nresult=0\r\nresult=0\r\nFailed LookupPrivilegeValue\r\nresult=1627\r\n"
            "Failed LookupPrivilegeValue\r\nresult=1627\r\nresult=0\r\n");
  EXPECT_EQ(vxtest::WaitExit(child, 30000), 0u);
}
