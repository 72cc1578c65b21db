#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include "library/temp_registry/temp_data_report.h"
#include "tests/support/test_support.h"

using namespace vxtest;

using Totals = std::tuple<int32_t, int32_t, uint64_t>;
static Totals Statistics(TempDataKind kind) {
  TempDataTotals t;
  EXPECT_TRUE(GetTempDataStatistics(t.files, t.folders, t.size, kind));
  return {t.files, t.folders, t.size};
}
static Totals Count(const std::wstring& folder, const wchar_t* pattern, TempDataKind kind,
                    bool reset) {
  EXPECT_TRUE(CountFolderContents(folder, pattern, kind, reset));
  return Statistics(kind);
}

// The size is reported, as it always was, cut to 32 bits and with an "l".
TEST(TempDataStatistics, CountsBelowTheFolderTheEdgeCasesAndTheReportLines) {
  TempFolder top(L"stats");
  ::SHCreateDirectoryExW(nullptr, (top / L"sub\\deeper").c_str(), nullptr);
  WriteFileBytes(top / L"a.txt", "12345");
  WriteFileBytes(top / L"sub\\b.log", std::string(10, 'x'));
  WriteFileBytes(top / L"sub\\deeper\\c", std::string(100, 'y'));
  const auto kind = TempDataKind::QFTemp, none = static_cast<TempDataKind>(4);
  EXPECT_EQ(Count(top.path(), L"*", kind, true), Totals(3, 2, 115));  // not the top folder itself
  EXPECT_EQ(Count(top.path() + L"\\", L"*", kind, false), Totals(6, 4, 230));
  // The pattern filters the top listing only; sub-folders are walked with "*".
  EXPECT_EQ(Count(top.path(), L"s*", kind, true), Totals(2, 2, 110));
  // Empty folder text: false, nothing reset. Other kinds count nothing, have no totals.
  EXPECT_FALSE(CountFolderContents(L"", L"*", kind, true) || CountFolderEntry(L"", L"f", kind));
  EXPECT_TRUE(CountFolderContents(top.path(), L"*", none, true));
  EXPECT_EQ(Statistics(kind), Totals(2, 2, 110));
  TempDataTotals kept{-7, -7, 7};
  EXPECT_FALSE(GetTempDataStatistics(kept.files, kept.folders, kept.size, none));
  EXPECT_EQ(Totals(kept.files, kept.folders, kept.size), Totals(-7, -7, 7));
  EXPECT_EQ(Count(top / L"missing", L"*", kind, true), Totals(0, 0, 0));  // true, and reset
  // "." and ".." skipped; an entry whose attributes cannot be read counts as a folder.
  for (const wchar_t* name : {L".", L"..", L"vanished", L"a.txt"})
    EXPECT_TRUE(CountFolderEntry(top.path() + L"\\", name, kind)) << name;
  EXPECT_EQ(Statistics(kind), Totals(1, 1, 5));
  fw::File file;  // unwritten up to its last byte, so sparse on Wine's host file system
  ASSERT_TRUE(file.Open(top / L"sub\\big.bin", fw::File::modeCreate | fw::File::modeWrite) &&
              file.Seek((5ull << 30) - 1) && file.Write("x", 1));
  file.Close();
  EXPECT_EQ(Count(top / L"sub", L"*", TempDataKind::Temp, true), Totals(3, 1, (1u << 30) + 110));
  using temp_registry::detail::TempDataReportLines;
  const TempDataTotals totals{3, 2, (5ull << 30) + 7};
  EXPECT_EQ(TempDataReportLines(TempDataKind::QFBackup, totals),
            (std::array<std::wstring, 3>{L"\n countQFBackupFiles: 3 ", L"countQFBackupFolder: 2 ",
                                         L"sizeQFBackupFolder: 1073741831l "}));
  EXPECT_EQ(
      TempDataReportLines(TempDataKind::Temp, totals)[0] + TempDataReportLines(none, totals)[0],
      L"\n countTempFiles: 3 ");
}
