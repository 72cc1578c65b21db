// Random messages: each answered once, cleanly; the registry as the commands imply.
// The seed is printed; set VX_SOAK_SEED to replay a run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

#include "tests/support/test_support.h"

using namespace vxtest;

namespace {

constexpr wchar_t kKey[] = L"SOFTWARE\\Brevanne Koltec\\QuillforgePDM";

TEST(Soak, RandomMessagesAreEachAcknowledgedOnceAndLeaveTheImpliedRegistry) {
  // Log folders land in the test's folder; the Xperf codes run the fake at once.
  ScratchKey key(HKEY_LOCAL_MACHINE, kKey);
  TempFolder temp(L"vxsoak");
  ScopedEnv tempEnv(L"TEMP", temp.path()), delay(L"VX_FAKE_XPERF_DELAY_MS", std::nullopt),
      path(L"PATH", FakeXperfFolder() + L";C:\\windows\\system32;C:\\windows");
  const wchar_t* seedText = _wgetenv(L"VX_SOAK_SEED");
  const uint64_t seed = seedText ? _wcstoui64(seedText, nullptr, 10)
                                 : ::GetTickCount64() ^ (uint64_t{::GetCurrentProcessId()} << 32);
  std::printf("soak seed %llu (replay: set VX_SOAK_SEED)\n", static_cast<unsigned long long>(seed));
  std::mt19937_64 random(seed);
  Session session;
  // Each value: absent, or a text (followed by a 13-unit stamp when stamped).
  std::optional<std::pair<std::wstring, bool>> expected[2];
  for (int i = 0; i < 20000; ++i) {
    // 1 to 524 bytes of a random or known code and path; never Quit.
    PipeMessage full = {}, effective = {};
    const uint32_t known[] = {2, 4, 5, 6, 7, 8, 9, 11};
    const uint64_t pick = random() % 1000;
    full.command = pick < 3     ? static_cast<uint32_t>(pick == 2 ? 10 : pick)
                   : pick < 400 ? static_cast<uint32_t>(random() | 16)
                                : known[pick % std::size(known)];
    const size_t nul = random() % 2 ? random() % kPipePathUnits : kPipePathUnits;
    for (size_t u = 0; u < kPipePathUnits; ++u)
      full.path[u] = u == nul ? L'\0' : static_cast<wchar_t>(1 + random() % 0xFFFF);
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
    auto& value = expected[code >= LNKAGTDebugDirCreate];
    if (code == DebugDirCreate) value.emplace(temp / L"MySession_XML_Logs", true);
    if (code == LNKAGTDebugDirCreate) value.emplace(temp / L"LNKAGT_Logs", false);
    if (code == DebugDirDelete || code == LNKAGTDebugDirDelete) value.reset();
    if (code == DebugDirSet || code == LNKAGTDebugDirSet) value.emplace(path, false);
  }
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
  session.Finish();  // Quit acknowledged: it did not end during the soak
}

}  // namespace
