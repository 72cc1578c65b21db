#include <wctype.h>

#include "elevated_tasks/elevated_tasks.h"
#include "library/system_files/system_files.h"

BOOL GetTraceFilePath(std::wstring& path, std::wstring folder) {
  GetTraceFolder(path, std::move(folder));
  std::wstring name;
  GetTraceFileName(name);
  path += L"\\" + name;
  return TRUE;
}

BOOL GetPerformanceFolder(std::wstring& path, std::wstring folder) {
  GetTraceFolder(path, std::move(folder));
  path += L"\\performance";
  return TRUE;
}

BOOL IsNumericVersion(const std::wstring& text) {
  if (text.empty()) return FALSE;
  for (const wchar_t character : text) {
    if (!::iswdigit(character) && character != L'.') return FALSE;
  }
  return TRUE;
}
