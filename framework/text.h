#pragma once
// Text types of the product: UTF-16 strings and the two string collections.

#include <windows.h>

#include <list>
#include <string>
#include <vector>

namespace fw {

using StringList = std::list<std::wstring>;     // an ordered list, insertion at both ends
using StringArray = std::vector<std::wstring>;  // an indexed array

// Case-insensitive comparison as the product's texts need it (ordinal, upper
// case folding of the whole UTF-16 range); <0, 0, >0 like wcscmp. A
// comparison that the system cannot make gives -1: never "equal".
int CompareNoCase(const std::wstring& a, const std::wstring& b);

namespace detail {
// CompareStringOrdinal's result as CompareNoCase gives it; its failure (0)
// as -1.
int OrdinalOrder(int compareStringResult);
}  // namespace detail

// The text of a fixed buffer up to its first NUL, never reading more than
// capacity units: a buffer without a NUL gives all of its units.
std::wstring BoundedText(const wchar_t* buffer, size_t capacity);

}  // namespace fw
