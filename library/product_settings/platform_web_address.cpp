#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "framework/file.h"
#include "library/product_settings/platform_web_address_detail.h"
#include "library/product_settings/product_settings.h"

namespace product_settings::detail {

std::string FirstTextLine(const std::string& bytes) {
  const size_t feed = bytes.find('\n');
  if (feed == std::string::npos) return bytes;
  const size_t end = feed > 0 && bytes[feed - 1] == '\r' ? feed - 1 : feed;
  return bytes.substr(0, end);
}

std::wstring CutPlatformWebAddress(const std::wstring& line) {
  const size_t start = line.find(L"https");
  const size_t end = line.find(L".com");
  // A match at the very start of the line does not count: the launcher
  // writes a field before the address.
  if (start == std::wstring::npos || end == std::wstring::npos || start == 0 || end == 0 ||
      end <= start) {
    return L"";
  }
  return line.substr(start, end - start + 4);
}

}  // namespace product_settings::detail

namespace {

constexpr wchar_t kSharedDataFile[] =
    L"C:\\ProgramData\\BrevanneKoltec\\CORVANTALauncher\\data.shared";

// Reads only as far as the first line feed; the rest of the file is never
// touched.
bool ReadFirstLine(const wchar_t* path, std::string& line) {
  fw::File file;
  if (!file.Open(path, fw::File::modeRead | fw::File::shareDenyNone)) return false;
  std::string bytes;
  char chunk[512];
  for (;;) {
    DWORD got = 0;
    if (!file.Read(chunk, sizeof(chunk), got)) return false;
    if (got == 0) break;
    const std::string_view piece(chunk, got);
    const size_t feed = piece.find('\n');
    bytes.append(piece.substr(0, feed == std::string_view::npos ? got : feed + 1));
    if (feed != std::string_view::npos) break;
  }
  line = product_settings::detail::FirstTextLine(bytes);
  return true;
}

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return L"";
  const int units = ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(),
                                          static_cast<int>(text.size()), nullptr, 0);
  if (units <= 0) return L"";
  std::wstring wide(static_cast<size_t>(units), L'\0');
  ::MultiByteToWideChar(CP_THREAD_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        units);
  return wide;
}

}  // namespace

void OpenPlatformWebAddress() {
  std::string line;
  if (!ReadFirstLine(kSharedDataFile, line)) return;
  const std::wstring address = product_settings::detail::CutPlatformWebAddress(AnsiToWide(line));
  if (address.empty()) return;
  ::ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_HIDE);
}
