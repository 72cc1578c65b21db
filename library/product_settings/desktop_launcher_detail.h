#pragma once
// The desktop launcher's command line, apart from the registry and the
// process creation.

#include <string>

namespace product_settings::detail {

// The start program quoted as the first token, then the launcher's own
// options as the one argument of "-object". That argument's opening quote
// is never closed, and the four values go in verbatim: the launcher parses
// its options from the raw text, so nothing is quoted or escaped here.
std::wstring LauncherCommandLine(const std::wstring& startProgram, const std::wstring& spaceUrl,
                                 const std::wstring& myAppsUrl, const std::wstring& registryUrl,
                                 const std::wstring& tenant);

}  // namespace product_settings::detail
