#include "library/temp_registry/temp_registry.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <tuple>

#include "tests/support/test_support.h"

using vxtest::TempFolder;
using vxtest::WriteFileBytes;

namespace {

using Totals = std::tuple<int32_t, int32_t, uint64_t>;
Totals Statistics(TempDataKind kind) {
  TempDataTotals t;
  EXPECT_TRUE(GetTempDataStatistics(t.files, t.folders, t.size, kind));
  return {t.files, t.folders, t.size};
}
Totals Count(const std::wstring& folder, const wchar_t* pattern, TempDataKind kind, bool reset) {
  EXPECT_TRUE(CountFolderContents(folder, pattern, kind, reset));
  return Statistics(kind);
}

// The probe's debug-output messages in the order it sent them; its exit code
// must be 0. WaitForDebugEvent hands every message over in the ANSI code page.
std::vector<std::wstring> ReportLines(const std::vector<std::wstring>& arguments) {
  std::wstring line = L"\"" + vxtest::BinPath(L"temp_stats_probe.exe") + L"\"";
  for (const std::wstring& a : arguments)
    line += L" \"" + a + (a.back() == L'\\' ? L"\\\"" : L"\"");
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child = {};
  std::vector<std::wstring> messages;
  bool running = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE,
                                  DEBUG_ONLY_THIS_PROCESS | CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &child);
  EXPECT_TRUE(running) << "cannot start the probe";
  while (running) {
    DEBUG_EVENT event = {};
    if (!::WaitForDebugEvent(&event, 120000)) {
      ADD_FAILURE() << "the probe did not end";
      ::TerminateProcess(child.hProcess, 1);
      break;
    }
    DWORD status = DBG_CONTINUE;
    const auto& info = event.u.DebugString;
    // The debugger owns the file handles that these two events hand over.
    if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
      const fw::unique_handle image(event.u.CreateProcessInfo.hFile);
    } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
      const fw::unique_handle image(event.u.LoadDll.hFile);
    } else if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT) {
      std::string text(info.nDebugStringLength, '\0');
      EXPECT_FALSE(info.fUnicode);
      ::ReadProcessMemory(child.hProcess, info.lpDebugStringData, text.data(), text.size(), {});
      messages.push_back(vxtest::Utf8ToWide(text.substr(0, text.find('\0'))));  // ASCII only
    } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
               event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
      status = DBG_EXCEPTION_NOT_HANDLED;  // the loader's breakpoint only is ours
    } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
      EXPECT_EQ(event.u.ExitProcess.dwExitCode, 0u);
      running = false;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  fw::unique_handle thread(child.hThread), process(child.hProcess);
  return messages;
}

std::vector<std::wstring> Blocks(
    std::initializer_list<std::tuple<const wchar_t*, int, int, const wchar_t*>> blocks) {
  std::vector<std::wstring> lines;
  for (const auto& [name, files, folders, size] : blocks) {
    const std::wstring label = name;
    lines.push_back(L"\n count" + label + L"Files: " + std::to_wstring(files) + L" ");
    lines.push_back(L"count" + label + L"Folder: " + std::to_wstring(folders) + L" ");
    lines.push_back(L"size" + label + L"Folder: " + size + L"l ");
  }
  return lines;
}

}  // namespace

TEST(TempDataStatistics, CountsBelowTheFolderAndTheEdgeCases) {
  TempFolder top(L"stats");
  ::SHCreateDirectoryExW(nullptr, (top / L"sub\\deeper").c_str(), nullptr);
  WriteFileBytes(top / L"a.txt", "12345");
  WriteFileBytes(top / L"sub\\b.log", std::string(10, 'x'));
  WriteFileBytes(top / L"sub\\deeper\\c", std::string(100, 'y'));
  const auto kind = TempDataKind::QFTemp;
  // The top folder itself is not counted.
  EXPECT_EQ(Count(top.path(), L"*", kind, true), Totals(3, 2, 115));
  // Without reset the same walk adds up; a trailing backslash lists the same.
  EXPECT_EQ(Count(top.path() + L"\\", L"*", kind, false), Totals(6, 4, 230));
  // The pattern filters the top listing only; sub-folders are walked with "*".
  EXPECT_EQ(Count(top.path(), L"*.txt", kind, true), Totals(1, 0, 5));
  EXPECT_EQ(Count(top.path(), L"s*", kind, true), Totals(2, 2, 110));
  // Empty folder text: false, nothing reset. Other kinds walk but count
  // nothing anywhere, and have no statistics.
  const auto none = static_cast<TempDataKind>(4);
  EXPECT_FALSE(CountFolderContents(L"", L"*", kind, true) || CountFolderEntry(L"", L"f", kind));
  EXPECT_TRUE(CountFolderContents(top.path(), L"*", none, true));
  EXPECT_EQ(Statistics(kind), Totals(2, 2, 110));
  int32_t files = -7, folders = -7;
  uint64_t size = 7;
  EXPECT_FALSE(GetTempDataStatistics(files, folders, size, none) ||
               GetTempDataStatistics(files, folders, size, static_cast<TempDataKind>(0)));
  EXPECT_EQ(std::tuple(files, folders, size), std::tuple(-7, -7, uint64_t{7}));
  EXPECT_EQ(Count(top / L"missing", L"*", kind, true), Totals(0, 0, 0));  // true, and reset
  // "." and ".." are skipped; an entry whose attributes cannot be read has
  // them all set, the directory bit among them, and counts as a folder.
  for (const wchar_t* name : {L".", L"..", L"vanished"}) {
    EXPECT_TRUE(CountFolderEntry(top.path() + L"\\", name, kind));
  }
  EXPECT_EQ(Statistics(kind), Totals(0, 1, 0));
}

TEST(TempDataReport, ExactLinesInPostOrderIncludingAFiveGibFile) {
  TempFolder big(L"stats_big");
  fw::File file;  // unwritten up to its last byte, so sparse on Wine's host file system
  ASSERT_TRUE(file.Open(big / L"big.bin", fw::File::modeCreate | fw::File::modeWrite) &&
              file.Seek((5ull << 30) - 1) && file.Write("x", 1));
  file.Close();
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  ASSERT_TRUE(::GetFileAttributesExW((big / L"big.bin").c_str(), GetFileExInfoStandard, &data));
  ASSERT_TRUE(data.nFileSizeHigh == 1 && data.nFileSizeLow == 1u << 30) << "5 GiB";
  EXPECT_EQ(Count(big.path(), L"*", TempDataKind::Temp, true), Totals(1, 0, 1u << 30));

  TempFolder top(L"stats");
  ::SHCreateDirectoryExW(nullptr, (top / L"a\\b").c_str(), nullptr);
  WriteFileBytes(top / L"a\\b\\f1", "1");
  WriteFileBytes(top / L"a\\f2", "22");
  TempFolder empty(L"stats_empty");
  const std::vector<std::wstring> lines = ReportLines({
      big.path(),           L"*", L"1", L"1",  // one block
      top.path(),           L"*", L"3", L"1",  // a\b, a, top: three blocks
      empty.path() + L"\\", L"*", L"2", L"1",  // only "." and "..": one zero block
      top / L"missing",     L"*", L"2", L"0",  // cannot be listed: nothing
      top.path(),           L"*", L"4", L"1",  // no such kind: nothing
      top.path(),           L"*", L"0", L"0",
  });
  // Entries of a listing come in the file system's order: when b is walked
  // before f2 is counted, b's block shows less; both orders are post-order.
  const auto expected = [](bool folderFirst) {
    return Blocks({{L"Temp", 1, 0, L"1073741824"},
                   {L"QFBackup", folderFirst ? 1 : 2, 2, folderFirst ? L"1" : L"3"},
                   {L"QFBackup", 2, 2, L"3"},
                   {L"QFBackup", 2, 2, L"3"},
                   {L"QFTemp", 0, 0, L"0"}});
  };
  EXPECT_EQ(lines, expected(lines == expected(true)));
}
