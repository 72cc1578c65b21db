// qlfvxET.exe under a long stream of random messages from one client: every
// message answered once with a clean acknowledgement, the registry as the
// valid commands imply, the process alive at the end.
// The generator's seed is printed; set VX_SOAK_SEED to replay a run.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <random>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";
constexpr int kMessages = 20000;

// One message of 1 to 524 bytes, and the message the server makes of it (its
// bytes, zero after them). Never Quit, and the slow codes only rarely; the
// first messages carry every code once.
std::vector<BYTE> DrawMessage(std::mt19937_64& random, int index, PipeMessage& effective) {
  static const uint32_t kEvery[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11};
  static const uint32_t kQuick[] = {2, 4, 5, 6, 6, 7, 8, 9, 9, 11};
  const bool warmUp = index < static_cast<int>(std::size(kEvery));
  const bool slow = random() % 400 == 0;
  for (;;) {
    PipeMessage full = {};
    const uint64_t pick = random() % 100;
    full.command = warmUp      ? kEvery[index]
                   : slow      ? std::array<uint32_t, 3>{0, 1, 10}[random() % 3]
                   : pick < 40 ? static_cast<uint32_t>(random())
                               : kQuick[pick % std::size(kQuick)];
    const size_t nul = random() % 2 ? random() % kPipePathUnits : kPipePathUnits;
    for (size_t i = 0; i < kPipePathUnits; ++i) {
      full.path[i] = i == nul       ? L'\0'
                     : random() % 2 ? static_cast<wchar_t>(L'a' + random() % 26)
                                    : static_cast<wchar_t>(1 + random() % 0xFFFF);
    }
    const size_t length = random() % 3 ? 1 + random() % sizeof(PipeMessage) : sizeof(PipeMessage);
    effective = PipeMessage{};
    std::memcpy(&effective, &full, length);
    const uint32_t code = effective.command;
    const bool isSlow = code == XperfStart || code == XperfStop || code == LauncherServiceRestart;
    if (code == Quit || (isSlow && !slow && !warmUp)) continue;
    const auto* bytes = reinterpret_cast<const BYTE*>(&full);
    return std::vector<BYTE>(bytes, bytes + length);
  }
}

// The server takes its environment at start: log folders land in the test's
// folder and the slow codes run the fake Xperf at once.
class Soak : public ::testing::Test {
 protected:
  ScratchKey key_{HKEY_LOCAL_MACHINE, kKey};
  TempFolder temp_{L"vxsoak"};
  ScopedEnv tempEnv_{L"TEMP", temp_.path()};
  ScopedEnv path_{L"PATH", FakeXperfFolder() + L";C:\\windows\\system32;C:\\windows"};
  ScopedEnv xperfLog_{L"VX_FAKE_XPERF_LOG", temp_ / L"xperf.log"};
  ScopedEnv delay_{L"VX_FAKE_XPERF_DELAY_MS", std::nullopt};
};

TEST_F(Soak, RandomMessagesAreEachAcknowledgedOnceAndLeaveTheImpliedRegistry) {
  wchar_t seedText[32] = {};
  const uint64_t seed = ::GetEnvironmentVariableW(L"VX_SOAK_SEED", seedText, 32) > 0
                            ? _wcstoui64(seedText, nullptr, 10)
                            : ::GetTickCount64() ^ (uint64_t{::GetCurrentProcessId()} << 32);
  std::printf("soak seed %llu (replay: set VX_SOAK_SEED)\n", static_cast<unsigned long long>(seed));
  std::mt19937_64 random(seed);
  Session session;
  ASSERT_TRUE(session.pipe);
  // What each value should hold: absent, or a text (a stamp of 13 units after
  // it when the bool says so).
  std::optional<std::pair<std::wstring, bool>> expected[2];
  int xperfRuns = 0;
  for (int i = 0; i < kMessages; ++i) {
    PipeMessage effective = {};
    const std::vector<BYTE> bytes = DrawMessage(random, i, effective);
    const uint32_t code = effective.command;
    ASSERT_TRUE(SendBytes(session.pipe.get(), bytes.data(), bytes.size())) << "message " << i;
    const Reply reply = ReadReply(session.pipe.get(), 30000);
    ASSERT_TRUE(IsCleanAcknowledgement(reply))
        << "message " << i << " (code " << code << ", " << bytes.size()
        << " bytes): ok=" << reply.ok << " size=" << reply.bytes.size();
    const std::wstring path(effective.path,
                            std::find(effective.path, std::end(effective.path), L'\0'));
    xperfRuns += code == XperfStart || code == XperfStop;
    auto& value = expected[code >= LNKAGTDebugDirCreate];
    if (code == DebugDirCreate) value.emplace(temp_ / L"MySession_XML_Logs", true);
    if (code == LNKAGTDebugDirCreate) value.emplace(temp_ / L"LNKAGT_Logs", false);
    if (code == DebugDirDelete || code == LNKAGTDebugDirDelete) value.reset();
    if (code == DebugDirSet || code == LNKAGTDebugDirSet) value.emplace(path, false);
  }

  // The fake writes one record per run, when it ends.
  const std::string log = ReadFileBytes(temp_ / L"xperf.log");
  int runs = 0;
  for (size_t at = log.find("params="); at != std::string::npos; at = log.find("params=", at + 1)) {
    ++runs;
  }
  EXPECT_EQ(runs, xperfRuns) << "every Xperf command runs to its end before its acknowledgement";
  const wchar_t* const names[] = {L"DebugDir", L"LNKAGTDebugDir"};
  for (int n = 0; n < 2; ++n) {
    const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, names[n]);
    ASSERT_EQ(value.has_value(), expected[n].has_value()) << n;
    if (!value) continue;
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
    const auto& [text, stamped] = *expected[n];
    if (!stamped) {
      EXPECT_EQ(value->data, SzBytes(text)) << n;
      continue;
    }
    const std::wstring got(reinterpret_cast<const wchar_t*>(value->data.data()),
                           value->data.size() / 2 - 1);
    ASSERT_EQ(got.size(), text.size() + 13) << WideToUtf8(got);
    EXPECT_EQ(got.substr(0, text.size()), text);
    EXPECT_EQ(got[text.size() + 6], L'-');
  }
  ASSERT_FALSE(WaitExit(session.server, 0)) << "ElevatedTasks ended during the soak";
  session.Finish();
}

TEST_F(Soak, OversizedMessagesEndTheServiceWithoutAcknowledgementOrEffect) {
  for (size_t size : {size_t{525}, size_t{1} << 20}) {
    SCOPED_TRACE(size);
    Session session;
    std::vector<BYTE> big(size, 'x');
    const PipeMessage set = MakeMessage(DebugDirSet, L"C:\\big");
    std::memcpy(big.data(), &set, sizeof(set));
    // The write may fail part-way once the server has dropped the connection.
    SendBytes(session.pipe.get(), big.data(), big.size());
    EXPECT_FALSE(ReadReply(session.pipe.get(), 30000).ok)
        << "an oversized message was acknowledged";
    EXPECT_EQ(WaitExit(session.server, 10000), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey)) << "an oversized message was carried out";
  }
}

}  // namespace
