// Temporary-data statistics: the totals in this process, and the report
// lines as a debugger receives them from a process of their own.

#include "library/temp_registry/temp_registry.h"
#include "library/temp_registry/temp_data_report.h"

#include <gtest/gtest.h>

#include "tests/support/debug_output_support.h"
#include "tests/support/test_support.h"

using temp_registry::detail::TempDataReportLines;
using vxtest::TempFolder;

namespace {

TempDataTotals Totals(TempDataKind kind) {
  TempDataTotals totals;
  EXPECT_TRUE(GetTempDataStatistics(totals.files, totals.folders, totals.size, kind));
  return totals;
}

std::vector<std::wstring> Block(const wchar_t* name, int files, int folders, const wchar_t* size) {
  const std::wstring label = name;
  return {L"\n count" + label + L"Files: " + std::to_wstring(files) + L" ",
          L"count" + label + L"Folder: " + std::to_wstring(folders) + L" ",
          L"size" + label + L"Folder: " + size + L"l "};
}

std::vector<std::wstring> Concat(std::initializer_list<std::vector<std::wstring>> blocks) {
  std::vector<std::wstring> all;
  for (const auto& block : blocks) all.insert(all.end(), block.begin(), block.end());
  return all;
}

}  // namespace

TEST(TempDataReportLines, LabelsPerKindAndTheSizeCutTo32Bits) {
  const TempDataTotals totals{3, -1, 5'000'000'000ull};
  const auto temp = TempDataReportLines(TempDataKind::Temp, totals);
  EXPECT_EQ(std::vector<std::wstring>(temp.begin(), temp.end()),
            Block(L"Temp", 3, -1, L"705032704"));
  const auto qfTemp = TempDataReportLines(TempDataKind::QFTemp, totals);
  EXPECT_EQ(std::vector<std::wstring>(qfTemp.begin(), qfTemp.end()),
            Block(L"QFTemp", 3, -1, L"705032704"));
  const auto backup =
      TempDataReportLines(TempDataKind::QFBackup, TempDataTotals{0, 0, 0xFFFFFFFFull});
  EXPECT_EQ(std::vector<std::wstring>(backup.begin(), backup.end()),
            Block(L"QFBackup", 0, 0, L"4294967295"));
  for (int other : {0, 4, -1}) {
    const auto none = TempDataReportLines(static_cast<TempDataKind>(other), totals);
    EXPECT_TRUE(none[0].empty() && none[1].empty() && none[2].empty());
  }
}

TEST(TempDataStatistics, CountsFilesFoldersAndSizesBelowTheFolder) {
  TempFolder top(L"stats");
  ::CreateDirectoryW((top / L"sub").c_str(), nullptr);
  ::CreateDirectoryW((top / L"sub\\deeper").c_str(), nullptr);
  vxtest::WriteFileBytes(top / L"a.txt", "12345");
  vxtest::WriteFileBytes(top / L"sub\\b.log", std::string(10, 'x'));
  vxtest::WriteFileBytes(top / L"sub\\deeper\\c", std::string(100, 'y'));

  ASSERT_TRUE(CountFolderContents(top.path(), L"*", TempDataKind::QFTemp, true));
  TempDataTotals totals = Totals(TempDataKind::QFTemp);
  EXPECT_EQ(totals.files, 3);
  EXPECT_EQ(totals.folders, 2);  // the top folder itself is not counted
  EXPECT_EQ(totals.size, 115u);

  // Without reset the same walk adds up; a trailing backslash lists the same.
  ASSERT_TRUE(CountFolderContents(top.path() + L"\\", L"*", TempDataKind::QFTemp, false));
  totals = Totals(TempDataKind::QFTemp);
  EXPECT_EQ(totals.files, 6);
  EXPECT_EQ(totals.folders, 4);
  EXPECT_EQ(totals.size, 230u);

  // The pattern filters the top listing only; sub-folders are walked with "*".
  ASSERT_TRUE(CountFolderContents(top.path(), L"*.txt", TempDataKind::QFTemp, true));
  totals = Totals(TempDataKind::QFTemp);
  EXPECT_EQ(totals.files, 1);
  EXPECT_EQ(totals.folders, 0);
  ASSERT_TRUE(CountFolderContents(top.path(), L"s*", TempDataKind::QFTemp, true));
  totals = Totals(TempDataKind::QFTemp);
  EXPECT_EQ(totals.files, 2);
  EXPECT_EQ(totals.folders, 2);
  EXPECT_EQ(totals.size, 110u);
}

TEST(TempDataStatistics, EmptyMissingAndOtherKinds) {
  TempFolder top(L"stats");
  vxtest::WriteFileBytes(top / L"f", "abc");
  ASSERT_TRUE(CountFolderContents(top.path(), L"*", TempDataKind::Temp, true));
  const TempDataTotals before = Totals(TempDataKind::Temp);
  ASSERT_EQ(before.files, 1);

  // Empty folder text: false, nothing reset.
  EXPECT_FALSE(CountFolderContents(L"", L"*", TempDataKind::Temp, true));
  EXPECT_FALSE(CountFolderEntry(L"", L"f", TempDataKind::Temp));
  EXPECT_EQ(Totals(TempDataKind::Temp).files, 1);

  // Other kinds walk but count nothing anywhere, and have no statistics.
  EXPECT_TRUE(CountFolderContents(top.path(), L"*", static_cast<TempDataKind>(0), true));
  EXPECT_TRUE(CountFolderContents(top.path(), L"*", static_cast<TempDataKind>(4), true));
  EXPECT_EQ(Totals(TempDataKind::Temp).files, 1);
  int32_t files = -7;
  int32_t folders = -7;
  uint64_t size = 7;
  EXPECT_FALSE(GetTempDataStatistics(files, folders, size, static_cast<TempDataKind>(4)));
  EXPECT_FALSE(GetTempDataStatistics(files, folders, size, static_cast<TempDataKind>(0)));
  EXPECT_EQ(files, -7);
  EXPECT_EQ(folders, -7);
  EXPECT_EQ(size, 7u);

  // A missing folder: true, and a reset leaves zeros.
  EXPECT_TRUE(CountFolderContents(top / L"missing", L"*", TempDataKind::Temp, true));
  const TempDataTotals after = Totals(TempDataKind::Temp);
  EXPECT_EQ(after.files, 0);
  EXPECT_EQ(after.folders, 0);
  EXPECT_EQ(after.size, 0u);
}

TEST(TempDataStatistics, EntriesThatCannotBeExaminedCountAsFolders) {
  TempFolder top(L"stats");
  ASSERT_TRUE(CountFolderContents(top.path(), L"*", TempDataKind::QFBackup, true));
  EXPECT_TRUE(CountFolderEntry(top.path() + L"\\", L".", TempDataKind::QFBackup));
  EXPECT_TRUE(CountFolderEntry(top.path() + L"\\", L"..", TempDataKind::QFBackup));
  EXPECT_EQ(Totals(TempDataKind::QFBackup).folders, 0);

  // The attribute query fails with all bits set, the directory bit among them.
  EXPECT_TRUE(CountFolderEntry(top.path() + L"\\", L"vanished", TempDataKind::QFBackup));
  const TempDataTotals totals = Totals(TempDataKind::QFBackup);
  EXPECT_EQ(totals.folders, 1);
  EXPECT_EQ(totals.files, 0);
}

TEST(TempDataStatistics, FiveGibFileAddsItsSizeModulo2To32) {
  TempFolder top(L"stats");
  const std::wstring big = top / L"big.bin";
  const uint64_t fiveGib = 5ull << 30;
  ASSERT_TRUE(vxtest::MakeSparseFile(big, fiveGib));
  ASSERT_EQ(vxtest::FileSize(big), 5'368'709'120ull);

  ASSERT_TRUE(CountFolderContents(top.path(), L"*", TempDataKind::Temp, true));
  const TempDataTotals totals = Totals(TempDataKind::Temp);
  EXPECT_EQ(totals.files, 1);
  EXPECT_EQ(totals.size, 1'073'741'824u);

  const vxtest::DebuggedRun run =
      vxtest::RunUnderDebugger(L"temp_stats_probe.exe", {top.path(), L"*", L"1", L"1"});
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_EQ(run.messages, Block(L"Temp", 1, 0, L"1073741824"));
}

TEST(TempDataReport, BlocksArriveInPostOrderWithRunningTotals) {
  TempFolder top(L"stats");
  ::CreateDirectoryW((top / L"sub").c_str(), nullptr);
  vxtest::WriteFileBytes(top / L"sub\\ten.bin", std::string(10, 'z'));

  const vxtest::DebuggedRun run =
      vxtest::RunUnderDebugger(L"temp_stats_probe.exe", {top.path(), L"*", L"1", L"1"});
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  // The sub-folder's block first, then the top's, both with the same totals.
  EXPECT_EQ(run.messages, Concat({Block(L"Temp", 1, 1, L"10"), Block(L"Temp", 1, 1, L"10")}));
  EXPECT_NE(run.output.find("kind=1 files=1 folders=1 size=10"), std::string::npos) << run.output;
}

TEST(TempDataReport, DeeperTreesOtherKindsAndSilentCases) {
  TempFolder top(L"stats");
  ::CreateDirectoryW((top / L"a").c_str(), nullptr);
  ::CreateDirectoryW((top / L"a\\b").c_str(), nullptr);
  vxtest::WriteFileBytes(top / L"a\\b\\f1", "1");
  vxtest::WriteFileBytes(top / L"a\\f2", "22");
  TempFolder empty(L"stats_empty");

  const vxtest::DebuggedRun run = vxtest::RunUnderDebugger(
      L"temp_stats_probe.exe",
      {top.path(),           L"*", L"3", L"1",  // a\b, a, top: three blocks
       empty.path() + L"\\", L"*", L"2", L"1",  // only "." and "..": one zero block
       top / L"missing",     L"*", L"2", L"0",  // cannot be listed: nothing
       top.path(),           L"*", L"4", L"1",  // no such kind: nothing
       top.path(),           L"*", L"0", L"0"});
  ASSERT_TRUE(run.started);
  EXPECT_EQ(run.exitCode, 0u) << run.output;

  // Entries of a listing come in the file system's order: when b is walked
  // before f2 is counted, b's block shows less; both orders are post-order.
  const std::vector<std::wstring> folderFirst =
      Concat({Block(L"QFBackup", 1, 2, L"1"), Block(L"QFBackup", 2, 2, L"3"),
              Block(L"QFBackup", 2, 2, L"3"), Block(L"QFTemp", 0, 0, L"0")});
  const std::vector<std::wstring> fileFirst =
      Concat({Block(L"QFBackup", 2, 2, L"3"), Block(L"QFBackup", 2, 2, L"3"),
              Block(L"QFBackup", 2, 2, L"3"), Block(L"QFTemp", 0, 0, L"0")});
  EXPECT_TRUE(run.messages == fileFirst || run.messages == folderFirst) << vxtest::WideToUtf8([&] {
    std::wstring all;
    for (const auto& m : run.messages) all += L"[" + m + L"]";
    return all;
  }());
}
