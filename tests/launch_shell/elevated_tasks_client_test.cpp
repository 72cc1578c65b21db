// The pipe client: the bytes it sends, how it judges replies (against a
// server of the test's own), and the real ElevatedTasks end to end.

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "library/launch_shell/elevated_tasks_client_check.h"
#include "library/launch_shell/launch_shell.h"
#include "tests/support/test_support.h"

using launch_shell::detail::CheckAcknowledgement;

TEST(BuildPipeMessage, PathEndedByNulAndZeroAfterIt) {
  PipeMessage message;
  std::memset(&message, 0xCD, sizeof(message));
  ASSERT_TRUE(BuildPipeMessage(DebugDirSet, L"C:\\logs", message));
  EXPECT_EQ(message.command, 6u);
  EXPECT_EQ(std::wstring(message.path), L"C:\\logs");
  for (size_t i = 7; i < kPipePathUnits; ++i) ASSERT_EQ(message.path[i], L'\0') << i;

  ASSERT_TRUE(BuildPipeMessage(Quit, L"", message));
  EXPECT_EQ(message.command, 3u);
  for (size_t i = 0; i < kPipePathUnits; ++i) ASSERT_EQ(message.path[i], L'\0') << i;
}

TEST(BuildPipeMessage, LongestPathFitsAndOneMoreIsRefused) {
  PipeMessage message = {};
  ASSERT_TRUE(BuildPipeMessage(LNKAGTDebugDirSet, std::wstring(259, L'p'), message));
  EXPECT_EQ(message.path[258], L'p');
  EXPECT_EQ(message.path[259], L'\0');

  PipeMessage untouched = {};
  untouched.command = 77;
  EXPECT_FALSE(BuildPipeMessage(DebugDirSet, std::wstring(260, L'p'), untouched));
  EXPECT_FALSE(BuildPipeMessage(DebugDirSet, std::wstring(1000, L'p'), untouched));
  EXPECT_FALSE(BuildPipeMessage(DebugDirSet, std::wstring(L"C:\\a\0b", 6), untouched));
  EXPECT_EQ(untouched.command, 77u);
  EXPECT_EQ(untouched.path[0], L'\0');
}

TEST(CheckAcknowledgement, OneFullMessageWithCodeDone) {
  PipeMessage ack = {};
  ack.command = Done;
  EXPECT_EQ(CheckAcknowledgement(&ack, sizeof(ack)), PipeClientStatus::Ok);
  // The path carries no information: whatever it holds is accepted.
  std::memset(ack.path, 0x41, sizeof(ack.path));
  EXPECT_EQ(CheckAcknowledgement(&ack, sizeof(ack)), PipeClientStatus::Ok);

  EXPECT_EQ(CheckAcknowledgement(&ack, sizeof(ack) - 1),
            PipeClientStatus::AcknowledgementMalformed);
  EXPECT_EQ(CheckAcknowledgement(&ack, 4), PipeClientStatus::AcknowledgementMalformed);
  EXPECT_EQ(CheckAcknowledgement(nullptr, 0), PipeClientStatus::AcknowledgementMalformed);
  for (const uint32_t code : {0u, 1u, 3u, 4u, 10u, 0xFFFFFFFFu}) {
    ack.command = code;
    EXPECT_EQ(CheckAcknowledgement(&ack, sizeof(ack)), PipeClientStatus::AcknowledgementMalformed)
        << code;
  }
}

TEST(PipeClientStatusText, EveryStatusHasItsOwnText) {
  const PipeClientStatus all[] = {PipeClientStatus::Ok,
                                  PipeClientStatus::ServerNotFound,
                                  PipeClientStatus::PipeBusy,
                                  PipeClientStatus::ConnectFailed,
                                  PipeClientStatus::ReadModeFailed,
                                  PipeClientStatus::SendFailed,
                                  PipeClientStatus::AcknowledgementMissing,
                                  PipeClientStatus::AcknowledgementMalformed};
  for (size_t i = 0; i < std::size(all); ++i) {
    for (size_t j = i + 1; j < std::size(all); ++j) {
      EXPECT_STRNE(PipeClientStatusText(all[i]), PipeClientStatusText(all[j]));
    }
  }
}

namespace {

enum class Answer { Proper, ProperWithPath, Short, WrongCode, Oversized, Empty, Close, Never };

// A one-instance message pipe under the ElevatedTasks name that reads one
// message, keeps its bytes and answers as told.
class FakeServer {
 public:
  explicit FakeServer(Answer answer) : answer_(answer) {
    pipe_.reset(::CreateNamedPipeW(kPipeName, PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0,
                                   sizeof(PipeMessage), 0, nullptr));
    EXPECT_TRUE(pipe_) << "CreateNamedPipeW " << ::GetLastError();
    done_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeServer() { Finish(); }
  // Lets the server close its end and waits for it; received is then final.
  void Finish() {
    ::SetEvent(done_.get());
    if (thread_.joinable()) thread_.join();
  }
  std::vector<BYTE> received;

 private:
  void Serve() {
    if (!::ConnectNamedPipe(pipe_.get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) {
      return;
    }
    received.resize(4096);
    DWORD count = 0;
    if (!::ReadFile(pipe_.get(), received.data(), 4096, &count, nullptr)) count = 0;
    received.resize(count);
    std::vector<BYTE> reply(sizeof(PipeMessage), 0);
    reply[0] = Done;
    switch (answer_) {
      case Answer::Proper:
        break;
      case Answer::ProperWithPath:
        std::memset(reply.data() + 4, 0x5A, reply.size() - 4);
        break;
      case Answer::Short:
        reply.resize(8);
        break;
      case Answer::WrongCode:
        reply[0] = Quit;
        break;
      case Answer::Oversized:
        reply.resize(600);
        break;
      case Answer::Empty:
        reply.clear();
        break;
      case Answer::Close:
      case Answer::Never:
        reply.clear();
        break;
    }
    if (answer_ == Answer::Never) ::WaitForSingleObject(done_.get(), 30000);
    if (answer_ != Answer::Close && answer_ != Answer::Never) {
      DWORD written = 0;
      ::WriteFile(pipe_.get(), reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr);
      ::WaitForSingleObject(done_.get(), 30000);
    }
    ::DisconnectNamedPipe(pipe_.get());
  }

  Answer answer_;
  fw::unique_hfile pipe_;
  fw::unique_handle done_;
  std::thread thread_;
};

PipeClientResult SendTo(FakeServer& server, DWORD ackTimeoutMs = 10000) {
  PipeMessage message = {};
  EXPECT_TRUE(BuildPipeMessage(LNKAGTDebugDirSet, L"D:\\agent", message));
  fw::unique_hfile pipe;
  const PipeClientResult connected = ConnectElevatedTasks(5000, pipe);
  if (!connected.ok()) return connected;
  const PipeClientResult result = SendElevatedCommand(pipe.get(), message, ackTimeoutMs);
  // Closed first: a server still writing the rest of an oversized reply
  // waits for a reader until then.
  pipe.reset();
  server.Finish();
  return result;
}

}  // namespace

TEST(PipeClient, MessageOnTheWireIs524BytesCommandThenPath) {
  FakeServer server(Answer::Proper);
  EXPECT_TRUE(SendTo(server).ok());
  const std::vector<BYTE>& bytes = server.received;
  ASSERT_EQ(bytes.size(), 524u);
  const BYTE head[] = {9, 0, 0, 0, 'D', 0, ':', 0, '\\', 0, 'a', 0};
  EXPECT_EQ(std::memcmp(bytes.data(), head, sizeof(head)), 0);
  for (size_t i = 4 + 8 * 2; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
}

TEST(PipeClient, JudgesEveryKindOfReply) {
  struct Case {
    Answer answer;
    PipeClientStatus status;
    DWORD error;
  } const cases[] = {
      {Answer::Proper, PipeClientStatus::Ok, ERROR_SUCCESS},
      {Answer::ProperWithPath, PipeClientStatus::Ok, ERROR_SUCCESS},
      {Answer::Short, PipeClientStatus::AcknowledgementMalformed, ERROR_SUCCESS},
      {Answer::WrongCode, PipeClientStatus::AcknowledgementMalformed, ERROR_SUCCESS},
      {Answer::Oversized, PipeClientStatus::AcknowledgementMalformed, ERROR_MORE_DATA},
      {Answer::Empty, PipeClientStatus::AcknowledgementMissing, ERROR_SUCCESS},
      {Answer::Close, PipeClientStatus::AcknowledgementMissing, ERROR_PIPE_NOT_CONNECTED},
  };
  for (const Case& c : cases) {
    FakeServer server(c.answer);
    const PipeClientResult result = SendTo(server);
    EXPECT_EQ(result.status, c.status) << static_cast<int>(c.answer);
    EXPECT_EQ(result.error, c.error) << static_cast<int>(c.answer);
  }
}

TEST(PipeClient, AcknowledgementWaitIsBounded) {
  FakeServer server(Answer::Never);
  const PipeClientResult result = SendTo(server, 300);
  EXPECT_EQ(result.status, PipeClientStatus::AcknowledgementMissing);
  EXPECT_EQ(result.error, static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(PipeClient, NoServerWithinTheTimeOut) {
  ASSERT_FALSE(vxtest::WaitForPipe(0));
  fw::unique_hfile pipe;
  const PipeClientResult result = ConnectElevatedTasks(300, pipe);
  EXPECT_EQ(result.status, PipeClientStatus::ServerNotFound);
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(pipe);

  PipeMessage quit = {};
  quit.command = Quit;
  EXPECT_EQ(SendOneElevatedCommand(quit, 0, 1000).status, PipeClientStatus::ServerNotFound);
}

TEST(PipeClient, WaitsForAServerThatComesLate) {
  std::thread late([] {
    ::Sleep(400);
    FakeServer server(Answer::Proper);
    server.Finish();
  });
  PipeMessage message = {};
  message.command = DebugDirDelete;
  fw::unique_hfile pipe;
  ASSERT_TRUE(ConnectElevatedTasks(10000, pipe).ok());
  EXPECT_TRUE(SendElevatedCommand(pipe.get(), message, 10000).ok());
  late.join();
}

TEST(ElevatedTasksThroughTheClient, BusyWhileAnotherClientHoldsThePipe) {
  vxtest::Child server = vxtest::StartElevatedTasksForThisProcess();
  fw::unique_hfile first = vxtest::ConnectPipe();
  ASSERT_TRUE(first);

  fw::unique_hfile second;
  const PipeClientResult result = ConnectElevatedTasks(300, second);
  EXPECT_EQ(result.status, PipeClientStatus::PipeBusy);
  EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_PIPE_BUSY));
  EXPECT_FALSE(second);

  vxtest::RoundTrip(first.get(), Quit);
  EXPECT_EQ(vxtest::WaitExit(server, 10000), 0u);
}

TEST(ElevatedTasksThroughTheClient, EveryCommandIsAcknowledgedAfterItsWork) {
  vxtest::ScratchKey product(HKEY_LOCAL_MACHINE, ProductSettingsKey);
  vxtest::TempFolder scratch(L"client");
  vxtest::ScopedEnv xperfLog(L"VX_FAKE_XPERF_LOG", scratch / L"xperf.log");
  vxtest::ScopedEnv path(L"PATH", vxtest::FakeXperfFolder() + L";" + _wgetenv(L"PATH"));
  vxtest::Child server = vxtest::StartElevatedTasksForThisProcess();

  fw::unique_hfile pipe;
  ASSERT_TRUE(ConnectElevatedTasks(10000, pipe).ok());
  const auto send = [&pipe](uint32_t command, const std::wstring& text = L"") {
    PipeMessage message = {};
    EXPECT_TRUE(BuildPipeMessage(command, text, message));
    const PipeClientResult result = SendElevatedCommand(pipe.get(), message, 60000);
    EXPECT_TRUE(result.ok()) << command << ": "
                             << vxtest::WideToUtf8(PipeClientStatusText(result.status));
  };

  send(DebugDirSet, L"C:\\logs\\vx");
  EXPECT_EQ(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir")->data,
            vxtest::SzBytes(L"C:\\logs\\vx"));
  send(LNKAGTDebugDirSet, std::wstring(259, L'x'));
  EXPECT_EQ(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"LNKAGTDebugDir")->data,
            vxtest::SzBytes(std::wstring(259, L'x')));
  send(DebugDirDelete);
  EXPECT_FALSE(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir"));
  send(LNKAGTDebugDirDelete);
  EXPECT_FALSE(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"LNKAGTDebugDir"));
  send(LNKAGTDebugDirCreate);
  EXPECT_TRUE(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"LNKAGTDebugDir"));
  send(DebugDirCreate);
  EXPECT_TRUE(vxtest::ReadRawValue(HKEY_LOCAL_MACHINE, ProductSettingsKey, L"DebugDir"));
  // The fake Xperf writes its log as it ends: present when acknowledged.
  send(XperfStart);
  EXPECT_NE(vxtest::ReadFileBytes(scratch / L"xperf.log").find("params=-on "), std::string::npos);
  send(XperfStop);
  EXPECT_NE(vxtest::ReadFileBytes(scratch / L"xperf.log").find("params=-stop -d "),
            std::string::npos);
  send(LauncherServiceRestart);
  send(Done);
  send(42);
  send(0xFFFFFFFF);
  send(Quit);
  EXPECT_EQ(vxtest::WaitExit(server, 10000), 0u);
  pipe.reset();
}
