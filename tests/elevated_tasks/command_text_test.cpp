// What the real pipe cannot reach cheaply: a tab in the folder, TEMP at the buffer's end.
#include "elevated_tasks/command_text.h"

#include <gtest/gtest.h>

#include "elevated_tasks/server.h"

using namespace elevated::detail;

TEST(CommandText, XperfStopQuotesOnlyWithBlanksAndTempMustFitTheBuffer) {
  EXPECT_EQ(XperfStopParameters(L"", L"a.etl"), L"-stop -d \\a.etl");
  EXPECT_EQ(XperfStopParameters(L"C:\\Tab\there", L"a.etl"), L"-stop -d \"C:\\Tab\there\\a.etl\"");
  EXPECT_EQ(TempFolderFromEnvironment(259, std::wstring(259, L'x').c_str()),
            std::wstring(259, L'x'));
  EXPECT_EQ(TempFolderFromEnvironment(260, L""), L"c:\\temp");
}

TEST(ProgramStartGate, TheEndWaitsOnlyForAStartInProgressAndAtMostItsGrace) {
  elevated::ProgramStartGate idle, busy;
  EXPECT_TRUE(idle.HoldForEnd(0));
  const elevated::ProgramStartGate::Start start(busy);
  EXPECT_FALSE(busy.HoldForEnd(0));
}
