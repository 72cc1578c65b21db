// The hardened qlfvxET.exe: a launcher that started it, a pipe for three accounts, the launcher
// its only client.

#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>

#include <regex>

#include "elevated_tasks/launcher_binding.h"
#include "elevated_tasks/pipe_hardening.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

using namespace vxtest;
using namespace elevated;

const std::wstring kHardened = BinFolder() + L"\\hardened\\qlfvxET.exe";

static Running StartHardened(DWORD launcherId) {
  return {StartChild(L"\"" + kHardened + L"\" " + std::to_wstring(launcherId), true)};
}

static std::wstring SidText(PSID sid) {
  LPWSTR text = nullptr;
  fw::unique_hlocal owner(::ConvertSidToStringSidW(sid, &text) ? text : nullptr);
  return text ? text : L"?";
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
  std::vector<BYTE> user = ProcessUserSid(::GetCurrentProcess());
  ASSERT_TRUE(dacl && !user.empty());
  std::wstring entries,
      grant = L"0 " + std::to_wstring(FILE_READ_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES |
                                      FILE_WRITE_ATTRIBUTES | SYNCHRONIZE);
  ACCESS_ALLOWED_ACE* ace = nullptr;
  for (DWORD i = 0; i < dacl->AceCount && ::GetAce(dacl, i, reinterpret_cast<void**>(&ace)); ++i)
    entries += std::to_wstring(ace->Header.AceType) + L" " + std::to_wstring(ace->Mask) + L" " +
               SidText(&ace->SidStart) + L";";
  EXPECT_EQ(entries, grant + L" " + SidText(user.data()) + L";" + grant + L" S-1-5-18;" + grant +
                         L" S-1-5-32-544;");

  RoundTrip(pipe.get(), DebugDirSet, L"C:\\launcher");
  const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir");
  EXPECT_EQ(value.value_or(RawValue{}).data, SzBytes(L"C:\\launcher"));
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
  Session().Finish();
  holder.reset();
  KillChild(squatter);
  EXPECT_EQ(ReadFileBytes(scratch / L"got"), "");
}

TEST(HardenedPipe, ALauncherThatDidNotStartItIsRefusedWithOneLine) {
  Running other{StartChild(L"\"" + BinPath(L"sleeper.exe") + L"\" 60000")};
  Running server = StartHardened(other.pid);
  EXPECT_EQ(OutputAndExit(server, 10000), "Launcher refused: process " + std::to_string(other.pid) +
                                              " did not start ElevatedTasks (process " +
                                              std::to_string(::GetCurrentProcessId()) +
                                              " did); nothing is served\r\nexit 0");
}

TEST(HardenedPipe, FiftyKnocksFromAForeignProcessLeaveTheLauncherServed) {
  Running server = StartHardened(::GetCurrentProcessId());
  ASSERT_TRUE(WaitForPipe(10000));
  Running knocker{StartChild(L"\"" + BinPath(L"pipe_knocker.exe") + L"\" 50")};
  EXPECT_EQ(WaitExit(knocker, 60000), 0u);
  fw::unique_hfile pipe;
  ASSERT_TRUE(ConnectElevatedTasks(10000, pipe, kHardened).ok());
  RoundTrip(pipe.get(), Quit);
  const std::string output = OutputAndExit(server, 10000);
  // Each knock refused once: a line of its own, or counted in a line's "N more refused".
  int refusals = 0;
  const std::regex refusal(R"((\d+) more refused|Refused pipe client: )");
  for (std::sregex_iterator it(output.begin(), output.end(), refusal), end; it != end; ++it)
    refusals += (*it)[1].matched ? std::stoi((*it)[1]) : 1;
  EXPECT_EQ(refusals, 50) << output;
  EXPECT_TRUE(output.ends_with("\r\nexit 0")) << output;
}

// A: accepted, R: refused; S: served, X: the wait ends; for the limiter each refusal's
// count of lines left out, - when its own is left out. 0 stands for a fact not read.
TEST(HardenedDecisions, LauncherClientsAndRefusalLines) {
  const auto known = [](auto v) { return v ? std::optional(v) : std::optional<decltype(v)>(); };
  std::string launchers, clients, lines;
  const DWORD parents[] = {7, 8, 7, 7, 0, 7, 7};
  const uint64_t created[] = {100, 100, 200, 300, 100, 0, 100};
  const uint64_t self[] = {200, 200, 200, 200, 200, 200, 0};
  for (size_t i = 0; i < std::size(parents); ++i)
    launchers +=
        LauncherRefusal({7, known(parents[i]), known(created[i]), known(self[i])}) ? 'R' : 'A';
  EXPECT_EQ(launchers, "ARARRRR");  // the same clock tick is no proof of a later start
  EXPECT_EQ(WideToUtf8(LauncherRefusal({7, 7, 201, 200}).value_or(L"")),
            "Launcher refused: process 7 was created after ElevatedTasks; nothing is served");
  // ERROR_PIPE_CONNECTED 535, ERROR_NO_DATA 232, ERROR_BROKEN_PIPE 109,
  // ERROR_PIPE_NOT_CONNECTED 233; the pipe's own: ERROR_INVALID_HANDLE 6, ERROR_BAD_PIPE 230.
  const DWORD errors[] = {0, 535, 0, 0, 232, 109, 233, 6, 230};
  const ULONG clientIds[] = {7, 7, 8, 0, 7, 0, 0, 0, 0};
  for (size_t i = 0; i < std::size(errors); ++i)
    clients += "SRX"[static_cast<int>(JudgeClient(errors[i], known(clientIds[i]), 7))];
  EXPECT_EQ(clients, "SSRRRRRXX");
  RefusalLineLimit limit;
  for (uint64_t now : {0, 1, 999, 1000, 1999, 5000, 5000, 6000}) {
    const auto leftOut = AdmitRefusalLine(limit, now);
    lines += leftOut ? std::to_string(*leftOut) : "-";
  }
  EXPECT_EQ(lines, "0--2-1-1");
}
