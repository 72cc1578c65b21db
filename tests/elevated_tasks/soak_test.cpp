// qlfvxET.exe under a long stream of random messages from one client: every
// message answered once with a clean acknowledgement, the registry as the
// valid commands imply, the process alive at the end.
// The generator's seed is printed; set VX_SOAK_SEED to replay a run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

// Log folders land in the test's folder; the Xperf codes run the fake at once.
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
  // Each value: absent, or a text (followed by a 13-unit stamp when stamped).
  std::optional<std::pair<std::wstring, bool>> expected[2];
  int xperfRuns = 0;
  for (int i = 0; i < 20000; ++i) {
    // 1 to 524 bytes of a random or known code and path; never Quit.
    PipeMessage full = {}, effective = {};
    const uint32_t known[] = {2, 4, 5, 6, 7, 8, 9, 11};
    const uint64_t pick = random() % 1000;
    full.command = pick < 3     ? static_cast<uint32_t>(pick == 2 ? 10 : pick)
                   : pick < 400 ? static_cast<uint32_t>(random() | 16)
                                : known[pick % std::size(known)];
    const size_t nul = random() % 2 ? random() % kPipePathUnits : kPipePathUnits;
    for (size_t u = 0; u < kPipePathUnits; ++u) {
      full.path[u] = u == nul ? L'\0' : static_cast<wchar_t>(1 + random() % 0xFFFF);
    }
    const size_t length = random() % 3 ? 1 + random() % sizeof(full) : sizeof(full);
    std::memcpy(&effective, &full, length);
    const uint32_t code = effective.command;
    ASSERT_TRUE(SendBytes(session.pipe.get(), &full, length)) << "message " << i;
    const Reply reply = ReadReply(session.pipe.get(), 30000);
    ASSERT_TRUE(IsCleanAcknowledgement(reply))
        << "message " << i << " (code " << code << ", " << length << " bytes): ok=" << reply.ok
        << " size=" << reply.bytes.size();
    const std::wstring path(effective.path,
                            std::find(effective.path, std::end(effective.path), L'\0'));
    xperfRuns += code == XperfStart || code == XperfStop;
    auto& value = expected[code >= LNKAGTDebugDirCreate];
    if (code == DebugDirCreate) value.emplace(temp_ / L"MySession_XML_Logs", true);
    if (code == LNKAGTDebugDirCreate) value.emplace(temp_ / L"LNKAGT_Logs", false);
    if (code == DebugDirDelete || code == LNKAGTDebugDirDelete) value.reset();
    if (code == DebugDirSet || code == LNKAGTDebugDirSet) value.emplace(path, false);
  }
  // One record per run, written at its end: each ended before its acknowledgement.
  const std::string log = ReadFileBytes(temp_ / L"xperf.log");
  int runs = 0;
  for (size_t at = log.find("params="); at != std::string::npos; at = log.find("params=", at + 1)) {
    ++runs;
  }
  EXPECT_EQ(runs, xperfRuns);
  const wchar_t* const names[] = {L"DebugDir", L"LNKAGTDebugDir"};
  for (int n = 0; n < 2; ++n) {
    const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, names[n]);
    ASSERT_EQ(value.has_value(), expected[n].has_value()) << n;
    if (!value) continue;
    const auto& [text, stamped] = *expected[n];
    const std::wstring got(reinterpret_cast<const wchar_t*>(value->data.data()),
                           value->data.size() / 2 - 1);
    EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value->data, SzBytes(got));
    EXPECT_EQ(got.substr(0, text.size()), text);
    EXPECT_EQ(got.size(), text.size() + (stamped ? 13 : 0)) << WideToUtf8(got);
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
