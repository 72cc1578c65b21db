#include "framework/text.h"

#include <cwchar>

namespace fw {

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
  const int result = ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                            static_cast<int>(b.size()), TRUE);
  return result == 0 ? 0 : result - CSTR_EQUAL;
}

std::wstring BoundedText(const wchar_t* buffer, size_t capacity) {
  if (buffer == nullptr) return L"";
  return std::wstring(buffer, ::wcsnlen(buffer, capacity));
}

}  // namespace fw
