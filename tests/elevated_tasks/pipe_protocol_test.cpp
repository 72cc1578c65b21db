// The pipe as a client sees it: framing, acknowledgements and the ends of
// the service, against the real qlfvxET.exe.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

class PipeProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteTree(HKEY_LOCAL_MACHINE, kKey);
    server_ = StartElevatedTasksForThisProcess();
    pipe_ = ConnectPipe();
    ASSERT_TRUE(pipe_) << "cannot connect: " << ::GetLastError();
  }
  void TearDown() override {
    pipe_.reset();
    if (!WaitExit(server_, 10000)) {
      ADD_FAILURE() << "ElevatedTasks still runs after its client left";
      KillChild(server_);
    }
    DeleteTree(HKEY_LOCAL_MACHINE, kKey);
  }
  std::optional<std::wstring> DebugDir() {
    auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, L"DebugDir");
    if (!value) return std::nullopt;
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
    return std::wstring(reinterpret_cast<const wchar_t*>(value->data.data()),
                        value->data.size() / 2 - 1);
  }

  Child server_;
  fw::unique_hfile pipe_;
};

TEST_F(PipeProtocol, NoOpCodesAreAcknowledgedAndServiceGoesOn) {
  for (uint32_t code : {2u, 11u, 12u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    RoundTrip(pipe_.get(), code, L"C:\\never\\written");
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey)) << "a no-op code touched the registry";
  EXPECT_FALSE(WaitExit(server_, 0)) << "the service ended after no-op codes";
}

TEST_F(PipeProtocol, AcknowledgementIsExactly524BytesWithZeroPath) {
  // A path full of text must not come back in any form.
  PipeMessage message = MakeMessage(DebugDirSet, std::wstring(259, L'Z'));
  ASSERT_TRUE(SendPipeMessage(pipe_.get(), message));
  const Reply reply = ReadReply(pipe_.get());
  ASSERT_TRUE(reply.ok);
  ASSERT_EQ(reply.bytes.size(), 524u);
  EXPECT_EQ(reply.bytes[0], 2);
  EXPECT_EQ(reply.bytes[1], 0);
  EXPECT_EQ(reply.bytes[2], 0);
  EXPECT_EQ(reply.bytes[3], 0);
  EXPECT_EQ(std::vector<BYTE>(reply.bytes.begin() + 4, reply.bytes.end()),
            std::vector<BYTE>(520, 0));
}

TEST_F(PipeProtocol, ShortMessageMeansOnlyItsOwnBytes) {
  RoundTrip(pipe_.get(), DebugDirSet, L"C:\\first\\long\\path");
  ASSERT_EQ(DebugDir(), L"C:\\first\\long\\path");

  // Four bytes: the Set code alone. The path left from the first message
  // must not be reused: the value becomes the empty text.
  const uint32_t code = DebugDirSet;
  ASSERT_TRUE(SendBytes(pipe_.get(), &code, sizeof(code)));
  EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe_.get())));
  EXPECT_EQ(DebugDir(), L"");

  // Code plus three units and no NUL: exactly those three units.
  BYTE partial[10] = {};
  std::memcpy(partial, &code, 4);
  std::memcpy(partial + 4, L"abc", 6);
  ASSERT_TRUE(SendBytes(pipe_.get(), partial, sizeof(partial)));
  EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe_.get())));
  EXPECT_EQ(DebugDir(), L"abc");
}

TEST_F(PipeProtocol, OneByteMessageIsItsCodeZeroExtended) {
  RoundTrip(pipe_.get(), DebugDirSet, L"C:\\kept");
  // One byte 0x05 is code 5, DebugDirDelete.
  const BYTE one = DebugDirDelete;
  ASSERT_TRUE(SendBytes(pipe_.get(), &one, 1));
  EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe_.get())));
  EXPECT_FALSE(DebugDir().has_value());
}

TEST_F(PipeProtocol, PathWithoutNulIsBoundedToItsField) {
  PipeMessage message = {};
  message.command = DebugDirSet;
  for (size_t i = 0; i < kPipePathUnits; ++i) message.path[i] = L'A' + (i % 26);
  ASSERT_TRUE(SendPipeMessage(pipe_.get(), message));
  EXPECT_TRUE(IsCleanAcknowledgement(ReadReply(pipe_.get())));
  const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, L"DebugDir");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->data, SzBytes(std::wstring(message.path, message.path + kPipePathUnits)));
}

TEST_F(PipeProtocol, QuitIsAcknowledgedThenTheProgramEnds) {
  RoundTrip(pipe_.get(), Quit, L"C:\\ignored");
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(PipeProtocol, ZeroByteMessageEndsServiceLikeAClosedClient) {
  ASSERT_TRUE(SendBytes(pipe_.get(), "", 0));
  EXPECT_FALSE(ReadReply(pipe_.get(), 10000).ok);
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
}

TEST_F(PipeProtocol, SecondClientIsRefusedAsBusyAndNeverServed) {
  fw::unique_hfile second(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(second);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PIPE_BUSY));
  RoundTrip(pipe_.get(), Done);  // the first client is still served

  pipe_.reset();  // the first leaves: the program ends, nobody else is served
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
  fw::unique_hfile late(::CreateFileW(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(late);
}

TEST_F(PipeProtocol, ClientClosingWithoutSendingEndsTheProgram) {
  pipe_.reset();
  EXPECT_EQ(WaitExit(server_, 10000), 0u);
}

}  // namespace
