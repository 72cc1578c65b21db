#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include <span>

#include "tests/support/test_support.h"

using namespace vxtest;

static std::optional<DWORD> PrivilegeAttributes(const wchar_t* name) {
  LUID luid = {};
  fw::unique_handle token;
  alignas(TOKEN_PRIVILEGES) BYTE buffer[8192] = {};  // no privileges when unread
  DWORD bytes = 0;
  ::LookupPrivilegeValueW(nullptr, name, &luid);
  ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put());
  const auto* held = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
  ::GetTokenInformation(token.get(), TokenPrivileges, buffer, sizeof(buffer), &bytes);
  for (const LUID_AND_ATTRIBUTES& entry : std::span(held->Privileges, held->PrivilegeCount))
    if (!memcmp(&entry.Luid, &luid, sizeof(luid))) return entry.Attributes;
  return std::nullopt;
}

TEST(EnableTokenPrivilege, TokenStateAndEveryConsoleByte) {
  const std::optional<DWORD> before = PrivilegeAttributes(SE_BACKUP_NAME);
  ASSERT_TRUE(before) << "Wine's token holds the backup privilege";
  for (const BOOL enable : {TRUE, FALSE}) {
    EXPECT_EQ(EnableTokenPrivilege(SE_BACKUP_NAME, enable), 0u);
    EXPECT_EQ((PrivilegeAttributes(SE_BACKUP_NAME).value_or(0) & SE_PRIVILEGE_ENABLED) != 0,
              !!enable);
  }
  EnableTokenPrivilege(SE_BACKUP_NAME, (*before & SE_PRIVILEGE_ENABLED) != 0);
  EXPECT_EQ(EnableTokenPrivilege(SE_CREATE_TOKEN_NAME, TRUE), 0u);  // not held: nothing added
  EXPECT_FALSE(PrivilegeAttributes(SE_CREATE_TOKEN_NAME));
  // Unknown: only the failure line; the C runtime's text mode writes CR LF.
  Child child = StartChild(L"\"" + BinPath(L"system_probe.exe") +
                               L"\" privilege SeBackupPrivilege 1 SeNoSuchPrivilege 0",
                           true);
  EXPECT_EQ(OutputAndExit(child, 30000),
            "result=0\r\nFailed LookupPrivilegeValue\r\nresult=1627\r\nexit 0");
}
