#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <future>

#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

constexpr int kClose = -1, kNever = -2;

// Reads one message and answers size bytes (code, three zeros, fill); holds its end
// until the client lets go, except with kClose.
static std::vector<BYTE> Serve(HANDLE pipe, int size, BYTE code, BYTE fill) {
  std::vector<BYTE> received(4096);
  DWORD count = 0;
  if (!::ConnectNamedPipe(pipe, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) return {};
  if (!::ReadFile(pipe, received.data(), 4096, &count, nullptr)) count = 0;
  received.resize(count);
  std::vector<BYTE> reply(std::max(size, 4), fill);
  reply[0] = code, reply[1] = reply[2] = reply[3] = 0;
  if (size >= 0) ::WriteFile(pipe, reply.data(), static_cast<DWORD>(size), &count, nullptr);
  BYTE more[4];  // read again: returns once the client has closed its end
  if (size != kClose) ::ReadFile(pipe, more, sizeof(more), &count, nullptr);
  ::DisconnectNamedPipe(pipe);
  return received;
}

TEST(PipeClient, BuildsAndSendsOne524ByteMessageAndJudgesEveryKindOfReply) {
  PipeMessage message;
  std::memset(&message, 0xCD, sizeof(message));
  for (const std::wstring& refused : {std::wstring(260, L'p'), std::wstring(L"C:\\a\0b", 6)})
    EXPECT_FALSE(BuildPipeMessage(DebugDirSet, refused, message));

  using enum PipeClientStatus;
  const std::tuple<int, BYTE, BYTE, PipeClientStatus, DWORD> cases[] = {
      {524, Done, 0x5A, Ok, ERROR_SUCCESS},  // whatever the path of an acknowledgement holds
      {8, Done, 0, AcknowledgementMalformed, ERROR_SUCCESS},
      {524, Quit, 0, AcknowledgementMalformed, ERROR_SUCCESS},
      {600, Done, 0, AcknowledgementMalformed, ERROR_MORE_DATA},
      {0, Done, 0, AcknowledgementMissing, ERROR_SUCCESS},
      {kClose, Done, 0, AcknowledgementMissing, ERROR_PIPE_NOT_CONNECTED},
      {kNever, Done, 0, AcknowledgementMissing, WAIT_TIMEOUT},
  };
  ASSERT_TRUE(BuildPipeMessage(LNKAGTDebugDirSet, std::wstring(259, L'p'), message));
  std::vector<BYTE> expected(524, 0);
  expected[0] = 9;
  for (size_t unit = 0; unit < 259; ++unit) expected[4 + 2 * unit] = 'p';
  for (const auto& [size, code, fill, status, error] : cases) {
    fw::unique_hfile pipe(::CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX,
                                             PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                             1, 0, sizeof(PipeMessage), 0, nullptr));
    std::future<std::vector<BYTE>> server =
        std::async(std::launch::async, Serve, pipe.get(), size, code, fill);
    const PipeClientResult result = SendOneElevatedCommand(
        message, 5000, 1000, vxtest::BinPath(L"elevated_tasks_client_test.exe"));
    EXPECT_EQ(result.status, status) << size;
    EXPECT_EQ(result.error, error) << size;
    EXPECT_EQ(server.get(), expected);
  }
}
