#include <cwchar>

#include "framework/profile.h"
#include "library/product_settings/product_settings.h"
#include "library/product_settings/window_placement_detail.h"

namespace product_settings::detail {

WINDOWPLACEMENT ParseWindowPlacement(const std::wstring& text) {
  // Fields the scan never reaches stay 0 rather than whatever the caller's
  // record held, so a short text gives a defined, if odd, placement.
  unsigned int flags = 0, showCmd = 0;
  int v[8] = {};
  ::swscanf(text.c_str(), L"%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", &flags, &showCmd, &v[0], &v[1], &v[2],
            &v[3], &v[4], &v[5], &v[6], &v[7]);
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(WINDOWPLACEMENT);
  placement.flags = flags;
  placement.showCmd = showCmd;
  placement.ptMinPosition = POINT{v[0], v[1]};
  placement.ptMaxPosition = POINT{v[2], v[3]};
  placement.rcNormalPosition = RECT{v[4], v[5], v[6], v[7]};
  return placement;
}

std::wstring PlacementRemainder(const std::wstring& text) {
  size_t comma = 0;  // the search after it starts at the second character
  for (int found = 0; found < 10; ++found) {
    comma = text.find(L',', comma + 1);
    if (comma == std::wstring::npos) return L"";
  }
  return text.substr(comma + 1);
}

}  // namespace product_settings::detail

bool GetWindowPlacementSetting(WINDOWPLACEMENT* placement, const wchar_t* entry,
                               const wchar_t* section, std::wstring* remainder) {
  if (entry == nullptr) return false;
  const std::wstring text =
      fw::ReadProfileString(section ? section : L"User Interface\\Settings", entry);
  if (text.empty()) return false;
  if (placement == nullptr) return true;
  *placement = product_settings::detail::ParseWindowPlacement(text);
  if (remainder != nullptr) *remainder = product_settings::detail::PlacementRemainder(text);
  return true;
}
