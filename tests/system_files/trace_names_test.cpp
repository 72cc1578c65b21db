#include "library/system_files/system_files.h"

#include <gtest/gtest.h>

#include "elevated_tasks/elevated_tasks.h"
#include "tests/support/test_support.h"

TEST(TraceNames, GivenFolderUnchangedEmptyFolderTheRoamingProductFolder) {
  std::wstring path = L"stale";
  EXPECT_TRUE(GetTraceFilePath(path, L"D:\\traces\\"));
  EXPECT_EQ(path, L"D:\\traces\\\\qlfvxPerfData.etl");
  EXPECT_TRUE(GetPerformanceFolder(path, L"D:\\x"));
  EXPECT_EQ(path, L"D:\\x\\performance");
  EXPECT_FALSE(vxtest::PathExists(L"D:\\x\\performance"));

  wchar_t appData[MAX_PATH] = {};
  ASSERT_EQ(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData), S_OK);
  const std::wstring product = std::wstring(appData) + L"\\Quillforge";
  ::RemoveDirectoryW(product.c_str());  // only when empty
  EXPECT_TRUE(GetTraceFilePath(path, L""));
  EXPECT_EQ(path, product + L"\\qlfvxPerfData.etl");
  EXPECT_TRUE(vxtest::PathIsFolder(product));
  EXPECT_TRUE(GetPerformanceFolder(path, L""));
  EXPECT_EQ(path, product + L"\\performance");
  EXPECT_FALSE(vxtest::PathExists(product + L"\\performance"));
}

TEST(IsNumericVersion, DigitsAndPointsOnly) {
  EXPECT_TRUE(IsNumericVersion(L"28.1.0") && IsNumericVersion(L".") && IsNumericVersion(L"0"));
  for (const wchar_t* no : {L"", L"1.0a", L"-1", L" 28.1", L"28.1 "}) {
    EXPECT_FALSE(IsNumericVersion(no)) << vxtest::WideToUtf8(no);
  }
}
