#pragma once
// The report lines of the temporary-data statistics, as text.

#include <array>
#include <string>

#include "library/temp_registry/temp_registry.h"

namespace temp_registry::detail {

// The three debug-output messages for kind's totals, in the order they are
// written (files, folders, size); the size is printed modulo 2^32 and
// followed by the letter l. Empty texts for kinds other than 1 to 3.
std::array<std::wstring, 3> TempDataReportLines(TempDataKind kind, const TempDataTotals& totals);

}  // namespace temp_registry::detail
