// The texts the commands build, fed directly.

#include "elevated_tasks/command_text.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace elevated::detail;

TEST(XperfStopParameters, BareWithoutBlanksQuotedWithThem) {
  const auto stop = [](const wchar_t* folder) {
    return XperfStopParameters(folder, L"qlfvxPerfData.etl");
  };
  EXPECT_EQ(stop(L"C:\\Users\\user1\\AppData\\Roaming\\Quillforge"),
            L"-stop -d C:\\Users\\user1\\AppData\\Roaming\\Quillforge\\qlfvxPerfData.etl");
  EXPECT_EQ(stop(L""), L"-stop -d \\qlfvxPerfData.etl");
  EXPECT_EQ(stop(L"C:\\Users\\Ann Lee\\AppData\\Roaming\\Quillforge"),
            L"-stop -d \"C:\\Users\\Ann Lee\\AppData\\Roaming\\Quillforge\\qlfvxPerfData.etl\"");
  EXPECT_EQ(stop(L"C:\\Tab\there"), L"-stop -d \"C:\\Tab\there\\qlfvxPerfData.etl\"");
}

TEST(MessagePathText, EndsAtFirstNulOrAtTheFieldsEnd) {
  PipeMessage message = {};
  EXPECT_EQ(MessagePathText(message), L"");

  std::wmemcpy(message.path, L"C:\\logs\0junk", 12);
  EXPECT_EQ(MessagePathText(message), L"C:\\logs");

  // No NUL at all: the whole field, and not one unit past it.
  for (size_t i = 0; i < kPipePathUnits; ++i) message.path[i] = L'a' + (i % 26);
  const std::wstring text = MessagePathText(message);
  ASSERT_EQ(text.size(), kPipePathUnits);
  EXPECT_EQ(text.back(), L'a' + ((kPipePathUnits - 1) % 26));
}

TEST(TempFolderFromEnvironment, UsesValueOnlyWhenItFitTheBuffer) {
  EXPECT_EQ(TempFolderFromEnvironment(0, L""), L"c:\\temp");
  EXPECT_EQ(TempFolderFromEnvironment(9, L"D:\\Temp\\\\"), L"D:\\Temp\\\\");
  EXPECT_EQ(TempFolderFromEnvironment(259, std::wstring(259, L'x').c_str()),
            std::wstring(259, L'x'));
  // 260 or more: the size the value would need; the buffer holds nothing.
  EXPECT_EQ(TempFolderFromEnvironment(260, L""), L"c:\\temp");
  EXPECT_EQ(TempFolderFromEnvironment(5000, L"stale"), L"c:\\temp");
}

TEST(LogFolderNames, PerCommand) {
  EXPECT_EQ(LogFolderName(DebugDirCreate, L"241231-235959"), L"\\MySession_XML_Logs241231-235959");
  EXPECT_EQ(LogFolderName(DebugDirCreate, L""), L"\\MySession_XML_Logs");
  EXPECT_EQ(LogFolderName(LNKAGTDebugDirCreate, L"ignored"), L"\\LNKAGT_Logs");
  for (uint32_t code : {DebugDirCreate, DebugDirDelete, DebugDirSet}) {
    EXPECT_STREQ(CommandValueName(code), L"DebugDir");
    EXPECT_STREQ(CommandValueName(code + 3), L"LNKAGTDebugDir");
  }
}

TEST(TimeStamp, ThirteenUnitsOfDigitsAndOneHyphen) {
  const std::wstring stamp = CurrentTimeStamp();
  ASSERT_EQ(stamp.size(), 13u);
  for (size_t i = 0; i < stamp.size(); ++i) {
    EXPECT_TRUE(i == 6 ? stamp[i] == L'-' : (stamp[i] >= L'0' && stamp[i] <= L'9')) << i;
  }
}
