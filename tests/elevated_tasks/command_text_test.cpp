// The texts the commands build, fed directly: the cases the real pipe
// cannot reach cheaply (a tab in the folder, TEMP exactly at the buffer's end).

#include "elevated_tasks/command_text.h"

#include <gtest/gtest.h>

using namespace elevated::detail;

TEST(CommandText, XperfStopQuotesOnlyWithBlanksAndTempMustFitTheBuffer) {
  const auto stop = [](const wchar_t* folder) {
    return XperfStopParameters(folder, L"qlfvxPerfData.etl");
  };
  EXPECT_EQ(stop(L""), L"-stop -d \\qlfvxPerfData.etl");
  EXPECT_EQ(stop(L"C:\\Tab\there"), L"-stop -d \"C:\\Tab\there\\qlfvxPerfData.etl\"");

  EXPECT_EQ(TempFolderFromEnvironment(259, std::wstring(259, L'x').c_str()),
            std::wstring(259, L'x'));
  // 260 or more: the size the value would need; the buffer holds nothing.
  EXPECT_EQ(TempFolderFromEnvironment(260, L""), L"c:\\temp");
}
