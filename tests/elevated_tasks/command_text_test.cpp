// What the real pipe cannot reach cheaply: a tab in the folder, TEMP at the buffer's end.
#include "elevated_tasks/command_text.h"

#include <gtest/gtest.h>

using namespace elevated::detail;

TEST(CommandText, XperfStopQuotesOnlyWithBlanksAndTempMustFitTheBuffer) {
  EXPECT_EQ(XperfStopParameters(L"", L"a.etl"), L"-stop -d \\a.etl");
  EXPECT_EQ(XperfStopParameters(L"C:\\Tab\there", L"a.etl"), L"-stop -d \"C:\\Tab\there\\a.etl\"");
  EXPECT_EQ(TempFolderFromEnvironment(259, std::wstring(259, L'x').c_str()),
            std::wstring(259, L'x'));
  EXPECT_EQ(TempFolderFromEnvironment(260, L""), L"c:\\temp");
}
