// The hardened qlfvxET.exe: a pipe for three accounts, the launcher its only client.

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include "elevated_tasks/pipe_hardening.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

using namespace vxtest;

const std::wstring kHardened = BinFolder() + L"\\hardened\\qlfvxET.exe";

static Running StartHardened(DWORD launcherId) {
  return {StartChild(L"\"" + kHardened + L"\" " + std::to_wstring(launcherId), true)};
}

static std::wstring SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return L"?";
  fw::unique_hlocal owner(text);
  return text;
}

TEST(HardenedPipe, RefusesAForeignClientUnreadThenServesTheLauncherThroughANarrowDacl) {
  ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  Running server = StartHardened(::GetCurrentProcessId());
  ASSERT_TRUE(WaitForPipe(10000));
  Running foreign{StartChild(L"\"" + BinPath(L"qlfvxETctl.exe") +
                             L"\" --attach --ack-timeout-ms 10000 --server-image \"" + kHardened +
                             L"\" debugdir-set C:\\foreign")};
  EXPECT_EQ(WaitExit(foreign, 30000), 1u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ProductSettingsKey)) << "a foreign command ran";

  fw::unique_hfile pipe;
  ASSERT_TRUE(ConnectElevatedTasks(10000, pipe, kHardened).ok());
  // The client's handle carries no READ_CONTROL; a copy that asks for it reads the DACL.
  fw::unique_handle readable;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), pipe.get(), ::GetCurrentProcess(),
                                readable.put(), READ_CONTROL, FALSE, 0));
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(::GetSecurityInfo(readable.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  fw::unique_hlocal descriptorOwner(descriptor);
  ASSERT_NE(dacl, nullptr);
  std::vector<BYTE> user = elevated::ProcessUserSid(::GetCurrentProcess());
  ASSERT_FALSE(user.empty());
  std::wstring entries, grant = L"0 " + std::to_wstring(FILE_GENERIC_READ | FILE_GENERIC_WRITE);
  ACCESS_ALLOWED_ACE* ace = nullptr;
  for (DWORD i = 0; i < dacl->AceCount && ::GetAce(dacl, i, reinterpret_cast<void**>(&ace)); ++i)
    entries += std::to_wstring(ace->Header.AceType) + L" " + std::to_wstring(ace->Mask) + L" " +
               SidText(&ace->SidStart) + L";";
  EXPECT_EQ(entries, grant + L" " + SidText(user.data()) + L";" + grant + L" S-1-5-18;" + grant +
                         L" S-1-5-32-544;");

  RoundTrip(pipe.get(), DebugDirSet, L"C:\\launcher");
  const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->data, SzBytes(L"C:\\launcher"));
  RoundTrip(pipe.get(), Quit);
  EXPECT_EQ(OutputAndExit(server, 10000),
            "Refused pipe client: process " + std::to_string(foreign.pid) +
                " is not the launching process " + std::to_string(::GetCurrentProcessId()) +
                "\r\nexit 0");
}

TEST(HardenedPipe, BesideASquatterOnlyTheDefaultBuildServes) {
  TempFolder scratch(L"squat");
  Running squatter{
      StartChild(L"\"" + BinPath(L"pipe_squatter.exe") + L"\" \"" + (scratch / L"got") + L"\"")};
  ASSERT_TRUE(WaitForPipe(10000));
  Running hardened = StartHardened(::GetCurrentProcessId());
  EXPECT_EQ(OutputAndExit(hardened, 10000),
            "Pipe name taken: \\\\.\\pipe\\VxToElevatedExePipe exists already; nothing is "
            "served\r\nexit 0");

  // The squatter's one instance held, a client can only reach the default build's.
  fw::unique_hfile holder(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  Session session;
  ASSERT_TRUE(session.pipe);
  session.Finish();
  holder.reset();
  KillChild(squatter);
  EXPECT_EQ(ReadFileBytes(scratch / L"got"), "");
}
