#include "framework/text.h"

#include <cwchar>

namespace fw {

int detail::OrdinalOrder(int compareStringResult) {
  return compareStringResult == 0 ? -1 : compareStringResult - CSTR_EQUAL;
}

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
  return detail::OrdinalOrder(::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()),
                                                     b.c_str(), static_cast<int>(b.size()), TRUE));
}

std::wstring BoundedText(const wchar_t* buffer, size_t capacity) {
  if (buffer == nullptr) return L"";
  return std::wstring(buffer, ::wcsnlen(buffer, capacity));
}

}  // namespace fw
