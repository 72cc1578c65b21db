// The pipe client against a server of the test's own: bytes sent, replies judged.

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

TEST(BuildPipeMessage, PathEndedByZerosAndLongerPathsRefused) {
  PipeMessage message;
  std::memset(&message, 0xCD, sizeof(message));
  ASSERT_TRUE(BuildPipeMessage(Quit, L"", message));
  EXPECT_EQ(message.command, 3u);
  EXPECT_EQ(std::wstring(message.path, kPipePathUnits), std::wstring(kPipePathUnits, L'\0'));
  for (const std::wstring& refused : {std::wstring(260, L'p'), std::wstring(L"C:\\a\0b", 6)}) {
    EXPECT_FALSE(BuildPipeMessage(DebugDirSet, refused, message));
    EXPECT_EQ(message.command, 3u) << "untouched";
  }
}

namespace {

enum class Answer { Proper, ProperWithPath, Short, WrongCode, Oversized, Empty, Close, Never };

// A one-instance message pipe under the ElevatedTasks name that reads one
// message, keeps its bytes, answers as told and holds its end until the
// client lets go.
class FakeServer {
 public:
  explicit FakeServer(Answer answer)
      : answer_(answer),
        pipe_(::CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0,
                                 sizeof(PipeMessage), 0, nullptr)),
        thread_([this] { Serve(); }) {}
  ~FakeServer() { Received(); }
  // Waits for the server to be done: the bytes of the message it read.
  const std::vector<BYTE>& Received() {
    if (thread_.joinable()) thread_.join();
    return received_;
  }

 private:
  void Serve() {
    DWORD count = 0;
    if (!::ConnectNamedPipe(pipe_.get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
      return;
    }
    if (!::ReadFile(pipe_.get(), received_.data(), 4096, &count, nullptr)) count = 0;
    received_.resize(count);
    std::vector<BYTE> reply(sizeof(PipeMessage), 0);
    reply[0] = answer_ == Answer::WrongCode ? Quit : Done;
    if (answer_ == Answer::ProperWithPath) std::memset(reply.data() + 4, 0x5A, reply.size() - 4);
    if (answer_ == Answer::Short) reply.resize(8);
    if (answer_ == Answer::Oversized) reply.resize(600);
    if (answer_ == Answer::Empty) reply.clear();
    if (answer_ != Answer::Close && answer_ != Answer::Never) {
      ::WriteFile(pipe_.get(), reply.data(), static_cast<DWORD>(reply.size()), &count, nullptr);
    }
    // Reading again returns once the client has closed its end.
    BYTE more[4];
    if (answer_ != Answer::Close) ::ReadFile(pipe_.get(), more, sizeof(more), &count, nullptr);
    ::DisconnectNamedPipe(pipe_.get());
  }

  Answer answer_;
  std::vector<BYTE> received_ = std::vector<BYTE>(4096);
  fw::unique_hfile pipe_;
  std::thread thread_;
};

}  // namespace

TEST(PipeClient, SendsOne524ByteMessageAndJudgesEveryKindOfReply) {
  const struct {
    Answer answer;
    PipeClientStatus status;
    DWORD error;
  } cases[] = {
      {Answer::Proper, PipeClientStatus::Ok, ERROR_SUCCESS},
      // The path of an acknowledgement carries nothing: whatever it holds passes.
      {Answer::ProperWithPath, PipeClientStatus::Ok, ERROR_SUCCESS},
      {Answer::Short, PipeClientStatus::AcknowledgementMalformed, ERROR_SUCCESS},
      {Answer::WrongCode, PipeClientStatus::AcknowledgementMalformed, ERROR_SUCCESS},
      {Answer::Oversized, PipeClientStatus::AcknowledgementMalformed, ERROR_MORE_DATA},
      {Answer::Empty, PipeClientStatus::AcknowledgementMissing, ERROR_SUCCESS},
      {Answer::Close, PipeClientStatus::AcknowledgementMissing, ERROR_PIPE_NOT_CONNECTED},
      {Answer::Never, PipeClientStatus::AcknowledgementMissing, WAIT_TIMEOUT},
  };
  PipeMessage message = {};
  // The longest path: 259 units, then zeros.
  ASSERT_TRUE(BuildPipeMessage(LNKAGTDebugDirSet, std::wstring(259, L'p'), message));
  std::vector<BYTE> expected(524, 0);
  expected[0] = 9;
  for (size_t unit = 0; unit < 259; ++unit) expected[4 + 2 * unit] = 'p';
  for (const auto& c : cases) {
    FakeServer server(c.answer);
    // The wait for the acknowledgement is bounded.
    const PipeClientResult result = SendOneElevatedCommand(message, 5000, 1000);
    EXPECT_EQ(result.status, c.status) << static_cast<int>(c.answer);
    EXPECT_EQ(result.error, c.error) << static_cast<int>(c.answer);
    EXPECT_EQ(server.Received(), expected);
  }
}
