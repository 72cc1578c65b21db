#pragma once
// The platform's web address cut out of the launcher's shared data, apart
// from the file and the shell.

#include <string>

namespace product_settings::detail {

// The bytes before the first line feed (all of them when there is none),
// without one carriage return right before that line feed: the first line
// as a text-mode stream reads it.
std::string FirstTextLine(const std::string& bytes);

// From the first "https" through the first ".com", both case-sensitive and
// both searched from the start. Empty (nothing to open) unless both are
// found past the line's first character and ".com" lies after "https".
std::wstring CutPlatformWebAddress(const std::wstring& line);

}  // namespace product_settings::detail
