// What the real pipe cannot reach cheaply: a tab in the folder, TEMP at the buffer's end,
// hostile kit roots.
#include "elevated_tasks/command_text.h"

#include <gtest/gtest.h>

#include <set>

#include "elevated_tasks/server.h"

using namespace elevated::detail;
using namespace std::string_literals;

TEST(CommandText, XperfStopQuotesOnlyWithBlanksAndTempMustFitTheBuffer) {
  EXPECT_EQ(XperfStopParameters(L"", L"a.etl"), L"-stop -d \\a.etl");
  EXPECT_EQ(XperfStopParameters(L"C:\\Tab\there", L"a.etl"), L"-stop -d \"C:\\Tab\there\\a.etl\"");
  EXPECT_EQ(TempFolderFromEnvironment(259, std::wstring(259, L'x').c_str()),
            std::wstring(259, L'x'));
  EXPECT_EQ(TempFolderFromEnvironment(260, L""), L"c:\\temp");
}

// KitsRoot10's data as stored, then System32: a full path or nothing, never a bare name.
TEST(CommandText, TrustedXperfOnlyUnderAUsableKitRootOrInSystem32) {
  const std::wstring kit = L"C:\\Kits\\10\\Windows Performance Toolkit\\xperf.exe",
                     system = L"C:\\windows\\system32\\xperf.exe",
                     longest = L"C:\\" + std::wstring(218, L'k');  // 259 units with the file
  std::set<std::wstring> missing;                                  // every other path is a file
  const auto find = [&](const std::optional<std::wstring>& root,
                        const std::wstring& systemFolder = L"C:\\windows\\system32") {
    return TrustedXperfPath(root, systemFolder, [&](auto& path) { return !missing.count(path); })
        .value_or(L"-");
  };
  for (auto root :
       {L"C:\\Kits\\10\\"s, L"C:\\Kits\\10"s, L"C:\\Kits\\10\\\\"s, L"C:\\Kits\\10\\\0D:\\"s})
    EXPECT_EQ(find(root), kit);
  EXPECT_EQ(find(longest).size(), 259u);
  const std::wstring installed = L"z:\\Program Files (x86)\\Windows Kits\\10\\";  // the usual root
  EXPECT_EQ(find(installed), installed + L"Windows Performance Toolkit\\xperf.exe");
  for (auto root : {L""s, L"\0C:\\Kits"s, longest + L"k", L"Kits"s, L"C:Kits"s, L"\\Kits"s,
                    L"\\\\server\\share"s, L"\\\\?\\C:\\Kits"s, L"C:\\Kits\\..\\10"s, L"C:/Kits"s,
                    L"C:\\Kits:x"s, L"C:\\\\Kits"s, L"1:\\Kits"s, L"C:\\Ki\tts"s})
    EXPECT_EQ(find(root), system);
  missing = {kit};
  EXPECT_EQ(find(L"C:\\Kits\\10\\"), system);
  EXPECT_EQ(find(std::nullopt, L""), L"-");
  missing.insert(system);
  EXPECT_EQ(find(L"C:\\Kits\\10\\"), L"-");
}

TEST(ProgramStartGate, TheEndWaitsOnlyForAStartInProgressAndAtMostItsGrace) {
  elevated::ProgramStartGate idle, busy;
  EXPECT_TRUE(idle.HoldForEnd(0));
  const elevated::ProgramStartGate::Start start(busy);
  EXPECT_FALSE(busy.HoldForEnd(0));
}
