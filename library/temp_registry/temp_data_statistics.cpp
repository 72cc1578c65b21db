#include <windows.h>

#include <sys/stat.h>

#include "framework/handles.h"
#include "library/temp_registry/temp_data_report.h"
#include "library/temp_registry/temp_registry.h"

namespace temp_registry::detail {

namespace {

struct ReportLabels {
  const wchar_t* files;
  const wchar_t* folders;
  const wchar_t* size;
};

const ReportLabels* LabelsOf(TempDataKind kind) {
  static const ReportLabels kLabels[3] = {
      {L"\n countTempFiles: ", L"countTempFolder: ", L"sizeTempFolder: "},
      {L"\n countQFTempFiles: ", L"countQFTempFolder: ", L"sizeQFTempFolder: "},
      {L"\n countQFBackupFiles: ", L"countQFBackupFolder: ", L"sizeQFBackupFolder: "},
  };
  const int index = static_cast<int>(kind) - 1;
  return index >= 0 && index < 3 ? &kLabels[index] : nullptr;
}

}  // namespace

std::array<std::wstring, 3> TempDataReportLines(TempDataKind kind, const TempDataTotals& totals) {
  const ReportLabels* labels = LabelsOf(kind);
  if (!labels) return {};
  // The size line has always shown the total cut to 32 bits with an "l"
  // after it; readers of the debug output know it by that shape.
  const auto shownSize = static_cast<uint32_t>(totals.size & 0xFFFFFFFFu);
  return {std::wstring(labels->files) + std::to_wstring(totals.files) + L" ",
          std::wstring(labels->folders) + std::to_wstring(totals.folders) + L" ",
          std::wstring(labels->size) + std::to_wstring(shownSize) + L"l "};
}

}  // namespace temp_registry::detail

namespace {

// Zero at start; see TempDataTotals for what they add up.
TempDataTotals g_totals[3];

// The process-wide totals of kind, or null for kinds other than 1 to 3. Only
// the walk writes them; everybody else reads them through
// GetTempDataStatistics.
TempDataTotals* TotalsOf(TempDataKind kind) {
  const int index = static_cast<int>(kind) - 1;
  return index >= 0 && index < 3 ? &g_totals[index] : nullptr;
}

}  // namespace

bool CountFolderContents(const std::wstring& folder, const std::wstring& pattern, TempDataKind kind,
                         bool reset) {
  if (folder.empty()) return false;
  TempDataTotals* totals = TotalsOf(kind);
  if (reset && totals) *totals = TempDataTotals{};

  std::wstring base = folder;
  if (base.back() != L'\\') base += L'\\';

  WIN32_FIND_DATAW found = {};
  fw::unique_findhandle search(::FindFirstFileW((base + pattern).c_str(), &found));
  if (!search) return true;
  do {
    // The name comes from a fixed field; never trust it to be terminated.
    CountFolderEntry(base, fw::BoundedText(found.cFileName, MAX_PATH), kind);
  } while (::FindNextFileW(search.get(), &found));
  search.reset();

  if (totals) {
    for (const std::wstring& line : temp_registry::detail::TempDataReportLines(kind, *totals)) {
      ::OutputDebugStringW(line.c_str());
    }
  }
  return true;
}

bool CountFolderEntry(const std::wstring& folder, const std::wstring& name, TempDataKind kind) {
  if (folder.empty()) return false;
  if (name == L"." || name == L"..") return true;
  TempDataTotals* totals = TotalsOf(kind);
  const std::wstring path = folder + name;

  // INVALID_FILE_ATTRIBUTES has the directory bit set: an entry that cannot
  // be examined is taken for a folder whose listing then fails, so it
  // counts once and nothing below it is guessed at.
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (totals) ++totals->folders;
    CountFolderContents(path, L"*", kind, false);
    return true;
  }

  struct _stat64 status = {};
  if (::_wstat64(path.c_str(), &status) == 0 && totals) {
    ++totals->files;
    totals->size += static_cast<uint32_t>(static_cast<uint64_t>(status.st_size) & 0xFFFFFFFFu);
  }
  return true;
}

bool GetTempDataStatistics(int32_t& files, int32_t& folders, uint64_t& size, TempDataKind kind) {
  const TempDataTotals* totals = TotalsOf(kind);
  if (!totals) return false;
  files = totals->files;
  folders = totals->folders;
  size = totals->size;
  return true;
}
