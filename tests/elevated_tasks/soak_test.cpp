// qlfvxET.exe under a long stream of random messages from one client: every
// message answered once with a clean acknowledgement, the registry as the
// valid commands imply, resources flat, the process alive at the end.
// The generator's seed is printed; set VX_SOAK_SEED to replay a run.

#include <windows.h>
#include <psapi.h>

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
constexpr int kBaselineAt = 100;
constexpr DWORD kWaitMs = 30000;

// Wine's GetProcessHandleCount always gives 0; the handle table that its
// server keeps is what SystemHandleInformation lists, one entry per handle.
DWORD HandleCountOf(const Child& child) {
  DWORD count = 0;
  if (::GetProcessHandleCount(child.process.get(), &count) && count != 0) return count;
  struct Entry {
    ULONG ownerPid;  // a 16-bit id and a back-trace index on Windows
    BYTE typeFlagsAndValue[4];
    void* object;
    ACCESS_MASK access;
  };
  using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  std::vector<BYTE> buffer(1 << 18);
  ULONG needed = 0;
  LONG status = 0;
  while ((status = query(16 /* SystemHandleInformation */, buffer.data(),
                         static_cast<ULONG>(buffer.size()), &needed)) ==
         static_cast<LONG>(0xC0000004 /* STATUS_INFO_LENGTH_MISMATCH */)) {
    buffer.resize(buffer.size() * 2);
  }
  if (status != 0) return 0;
  ULONG entries = 0;
  std::memcpy(&entries, buffer.data(), sizeof(entries));
  const auto* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(void*));
  for (ULONG i = 0; i < entries; ++i) count += entry[i].ownerPid == child.pid;
  return count;
}

// The commit charge: PrivateUsage is always 0 under Wine.
SIZE_T PrivateBytesOf(const Child& child) {
  PROCESS_MEMORY_COUNTERS counters = {};
  return ::K32GetProcessMemoryInfo(child.process.get(), &counters, sizeof(counters))
             ? counters.PagefileUsage
             : 0;
}

// What a value should hold: absent, an exact text, or a text and a stamp.
struct Expected {
  enum { Absent, Exact, Stamped } kind = Absent;
  std::wstring text;
};

void ExpectValue(const wchar_t* name, const Expected& expected) {
  SCOPED_TRACE(WideToUtf8(name));
  const auto value = ReadRawValue(HKEY_LOCAL_MACHINE, kKey, name);
  ASSERT_EQ(value.has_value(), expected.kind != Expected::Absent);
  if (!value) return;
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  if (expected.kind == Expected::Exact) {
    EXPECT_EQ(value->data, SzBytes(expected.text));
    return;
  }
  const std::wstring text(reinterpret_cast<const wchar_t*>(value->data.data()),
                          value->data.size() / 2 - 1);
  ASSERT_EQ(text.size(), expected.text.size() + 13) << WideToUtf8(text);
  EXPECT_EQ(text.substr(0, expected.text.size()), expected.text);
  EXPECT_EQ(text[expected.text.size() + 6], L'-');
}

// One message of 1 to 524 bytes, and the message the server makes of it (its
// bytes, zero after them). Never Quit, and the slow codes only rarely.
std::vector<BYTE> DrawMessage(std::mt19937_64& random, int index, PipeMessage& effective) {
  static const uint32_t kEvery[] = {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11};
  static const uint32_t kQuick[] = {2, 4, 5, 6, 6, 7, 8, 9, 9, 11};
  const bool warmUp = index < static_cast<int>(std::size(kEvery));
  const bool slow = random() % 400 == 0;
  for (;;) {
    PipeMessage full = {};
    const uint64_t pick = random() % 100;
    // The first messages carry every code once, so that any one-time set-up
    // of a command lies inside the resource baseline.
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
  void SetUp() override { DeleteTree(HKEY_LOCAL_MACHINE, kKey); }
  void TearDown() override { DeleteTree(HKEY_LOCAL_MACHINE, kKey); }

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
  RecordProperty("seed", std::to_string(seed));
  std::mt19937_64 random(seed);
  Session session;
  ASSERT_TRUE(session.pipe);
  const auto resources = [&session] {
    return std::make_pair(HandleCountOf(session.server), PrivateBytesOf(session.server));
  };

  Expected debugDir;
  Expected lnkagtDir;
  int xperfRuns = 0;
  std::pair<DWORD, SIZE_T> baseline;
  for (int i = 0; i < kMessages; ++i) {
    PipeMessage effective = {};
    const std::vector<BYTE> bytes = DrawMessage(random, i, effective);
    const uint32_t code = effective.command;
    ASSERT_TRUE(SendBytes(session.pipe.get(), bytes.data(), bytes.size())) << "message " << i;
    const Reply reply = ReadReply(session.pipe.get(), kWaitMs);
    ASSERT_TRUE(IsCleanAcknowledgement(reply))
        << "message " << i << " (code " << code << ", " << bytes.size()
        << " bytes): ok=" << reply.ok << " size=" << reply.bytes.size();

    const std::wstring path(effective.path,
                            std::find(effective.path, std::end(effective.path), L'\0'));
    xperfRuns += code == XperfStart || code == XperfStop;
    if (code == DebugDirCreate) debugDir = {Expected::Stamped, temp_ / L"MySession_XML_Logs"};
    if (code == DebugDirDelete) debugDir = {};
    if (code == DebugDirSet) debugDir = {Expected::Exact, path};
    if (code == LNKAGTDebugDirCreate) lnkagtDir = {Expected::Exact, temp_ / L"LNKAGT_Logs"};
    if (code == LNKAGTDebugDirDelete) lnkagtDir = {};
    if (code == LNKAGTDebugDirSet) lnkagtDir = {Expected::Exact, path};
    if (i + 1 == kBaselineAt) baseline = resources();
  }

  const auto [handles, bytes] = resources();
  std::printf("handles %lu -> %lu, private bytes %zu -> %zu\n", baseline.first, handles,
              baseline.second, bytes);
  EXPECT_GT(baseline.first, 0u) << "the handle count could not be read";
  EXPECT_GT(baseline.second, 0u) << "the private memory could not be read";
  EXPECT_LE(handles, baseline.first + 8);
  EXPECT_LE(bytes, baseline.second + 256 * 1024);
  // The fake writes one record per run, when it ends.
  const std::string log = ReadFileBytes(temp_ / L"xperf.log");
  int runs = 0;
  for (size_t at = log.find("params="); at != std::string::npos; at = log.find("params=", at + 1)) {
    ++runs;
  }
  EXPECT_EQ(runs, xperfRuns) << "every Xperf command runs to its end before its acknowledgement";
  ExpectValue(L"DebugDir", debugDir);
  ExpectValue(L"LNKAGTDebugDir", lnkagtDir);
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
    // The write may fail part-way once the server has dropped the
    // connection; what matters is what the server did.
    SendBytes(session.pipe.get(), big.data(), big.size());
    EXPECT_FALSE(ReadReply(session.pipe.get(), kWaitMs).ok)
        << "an oversized message was acknowledged";
    EXPECT_EQ(WaitExit(session.server, 10000), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kKey)) << "an oversized message was carried out";
  }
}

}  // namespace
