// qlfvxET.exe as launcher and client see it: argument, end, framing, replies.

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_support.h"

using namespace vxtest;
using namespace std::string_literals;

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

class PipeProtocol : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pipe_); }
  void TearDown() override {
    pipe_.reset();
    EXPECT_TRUE(WaitExit(server_, 10000)) << "ElevatedTasks still runs after its client left";
  }
  void SendAndExpectDebugDir(const void* bytes, size_t count, const std::wstring& expected) {
    ASSERT_TRUE(SendBytes(pipe_.get(), bytes, count));
    EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe_.get())));
    const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, L"DebugDir").value_or(RawValue{});
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, SzBytes(expected));
  }

  ScratchKey key_{HKEY_LOCAL_MACHINE, kKey};
  Session session_;
  Child& server_ = session_.server;
  fw::unique_hfile& pipe_ = session_.pipe;
};

// Acknowledgements carry code 2 and a zero path whatever path was sent.
TEST_F(PipeProtocol, NoOpCodesAreAcknowledgedAndServiceGoesOnUntilQuit) {
  for (uint32_t code : {2u, 11u, 12u, 0x7FFFFFFFu, 0xFFFFFFFFu})
    RoundTrip(pipe_.get(), code, std::wstring(259, L'Z'));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey)) << "a no-op code touched the registry";
  RoundTrip(pipe_.get(), Quit, L"C:\\ignored");  // still served; then it ends, client or not
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
}

// A message means its own bytes, zero-extended; a path without a NUL ends with its field.
TEST_F(PipeProtocol, ShortAndUnterminatedMessagesMeanOnlyTheirOwnBytes) {
  RoundTrip(pipe_.get(), DebugDirSet, L"C:\\first\\long\\path");
  const uint32_t code = DebugDirSet;
  SendAndExpectDebugDir(&code, sizeof(code), L"");

  BYTE partial[10] = {};
  std::memcpy(partial, &code, 4);
  std::memcpy(partial + 4, L"abc", 6);
  SendAndExpectDebugDir(partial, sizeof(partial), L"abc");

  PipeMessage full = MakeMessage(DebugDirSet);
  for (size_t i = 0; i < kPipePathUnits; ++i) full.path[i] = L'A' + (i % 26);
  SendAndExpectDebugDir(&full, sizeof(full), std::wstring(full.path, kPipePathUnits));

  const BYTE one = DebugDirDelete;  // code 5 from a single byte
  ASSERT_TRUE(SendBytes(pipe_.get(), &one, 1));
  EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe_.get())));
  EXPECT_FALSE(ReadRawValue(HKEY_LOCAL_MACHINE, kKey, L"DebugDir"));
}

// One byte too many: the service ends without carrying it out or answering.
TEST_F(PipeProtocol, OversizedMessageEndsServiceWithoutEffect) {
  std::vector<BYTE> big(sizeof(PipeMessage) + 1, 'x');
  const PipeMessage set = MakeMessage(DebugDirSet, L"C:\\big");
  std::memcpy(big.data(), &set, sizeof(set));
  SendBytes(pipe_.get(), big.data(), big.size());
  EXPECT_FALSE(ReadReply(pipe_.get(), 10000).ok);
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(PipeProtocol, SecondClientIsRefusedAsBusyAndAnEmptyMessageEndsTheProgram) {
  const auto open = [] {
    return fw::unique_hfile(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  };
  EXPECT_FALSE(open());
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PIPE_BUSY));
  RoundTrip(pipe_.get(), Done);  // the first client is still served

  ASSERT_TRUE(SendBytes(pipe_.get(), "", 0));  // ends it like a closed client, unanswered
  EXPECT_FALSE(ReadReply(pipe_.get(), 10000).ok);
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
  EXPECT_FALSE(open()) << "a later client was served";
}

// As _wtol: leading blanks skipped, the digits up to the first other character. Refused
// arguments and a gone launcher end it at once.
TEST(Lifetime, DigitsBeforeJunkNameTheLauncherAndItsEndEndsTheWait) {
  Running sleeper{StartChild(L"\"" + BinPath(L"sleeper.exe") + L"\" 120000")};
  Running waiting{StartElevatedTasks(L"\"  " + std::to_wstring(sleeper.pid) + L"xyz\"")};
  ASSERT_TRUE(WaitForPipe(10000)) << "it did not wait on the named process";
  EXPECT_FALSE(WaitExit(waiting, 200));
  KillChild(sleeper);  // the launcher ends while ElevatedTasks waits for a client
  EXPECT_EQ(WaitExit(waiting, 10000), 0u);
  for (const std::wstring& arguments :
       {L""s, L"1 2"s, L"0"s, L"abc"s, L"-0"s, L"\"\""s, std::to_wstring(sleeper.pid)}) {
    SCOPED_TRACE(WideToUtf8(arguments));
    Running server{StartElevatedTasks(arguments, true)};
    EXPECT_EQ(WaitExit(server, 10000), 0u);
    EXPECT_EQ(ReadAllOutput(server), "");
    EXPECT_FALSE(WaitForPipe(0));
  }
}

}  // namespace
