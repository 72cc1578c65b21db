#pragma once
// The stored window placement, apart from the profile.

#include <windows.h>

#include <string>

namespace product_settings::detail {

// The ten comma-separated fields "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d" in the order
// flags, showCmd, ptMinPosition, ptMaxPosition, rcNormalPosition, with length
// set to sizeof(WINDOWPLACEMENT). The scan stops at the first mismatch; every
// field it does not reach is 0.
WINDOWPLACEMENT ParseWindowPlacement(const std::wstring& text);

// The text after the tenth comma, the search for the first comma starting at
// the second character. Empty when the text holds fewer than ten commas.
std::wstring PlacementRemainder(const std::wstring& text);

}  // namespace product_settings::detail
