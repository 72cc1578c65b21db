#pragma once
// The storage rules of product settings apart from the registry calls: value
// names of numbered pieces, how a long text is cut, and the number text.

#include <windows.h>

#include <string>
#include <vector>

namespace temp_registry::detail {

// Characters of one numbered piece, its NUL not counted (2032 bytes with it).
inline constexpr size_t kPieceCharacters = 1015;
// The longest String stored as one plain value: (1022 + 1) * 2 = 2046 bytes,
// the last size that stays within 2047.
inline constexpr size_t kLongestPlainString = 1022;

inline constexpr wchar_t kDefaultProductKey[] = L"Quillforge";
// Settings under this product key are read from the user's hive only.
inline constexpr wchar_t kViewerProductKey[] = L"Quillforge\\Quillforge 2001 Viewer";

// "<name><index>+".
std::wstring PieceValueName(const std::wstring& name, size_t index);

// Consecutive pieces of kPieceCharacters, the last holding the rest; an empty
// text gives one empty piece.
std::vector<std::wstring> SplitIntoPieces(const std::wstring& text);

// True when the product key is the one read from the user's hive only
// (case-sensitive, like the rule it keeps).
bool IsUserOnlyProductKey(const std::wstring& productKey);

// Switches the C runtime's numeric locale to "C" and puts the previous one
// back at scope end, so number text always uses a point.
class ScopedCNumericLocale {
 public:
  ScopedCNumericLocale();
  ~ScopedCNumericLocale();
  ScopedCNumericLocale(const ScopedCNumericLocale&) = delete;
  ScopedCNumericLocale& operator=(const ScopedCNumericLocale&) = delete;

 private:
  std::string previous_;
};

// "%.18g" under the "C" numeric locale.
std::wstring FormatSettingNumber(double value);

// "%lf" under the "C" numeric locale. Text that is no number leaves value as
// it was; the result tells whether a number was converted.
bool ParseSettingNumber(const std::wstring& text, double& value);

}  // namespace temp_registry::detail
