#pragma once
// How registry data turns into the readers' results, apart from the registry
// calls, so every size and type can be fed directly. Every function reads at
// most `size` bytes of `data` and never assumes a terminating NUL.

#include <windows.h>

#include "framework/handles.h"

#include <optional>
#include <string>

namespace product_settings::detail {

// The data as UTF-16 text up to its first NUL, or all of it when it holds
// none. An odd last byte is not part of any unit and is ignored.
std::wstring StoredText(const BYTE* data, DWORD size);
// The same text appended to text, without a copy in between.
void AppendStoredText(std::wstring& text, const BYTE* data, DWORD size);

// The little-endian number of the first (at most) four bytes, zero-extended.
DWORD DwordFromBytes(const BYTE* data, DWORD size);

// QueryStringValue's acceptance: REG_SZ or REG_EXPAND_SZ, size 0 (empty
// text) or an even size whose last unit is NUL. nullopt when refused.
std::optional<std::wstring> AcceptedStringText(DWORD type, const BYTE* data, DWORD size);

// ReadValueAsText's conversion: a REG_DWORD as signed decimal ("%d"),
// anything else as StoredText.
std::wstring ValueAsText(DWORD type, const BYTE* data, DWORD size);

// The size of the one retry after ERROR_MORE_DATA: twice what the registry
// reported, or nullopt when that does not fit a DWORD.
std::optional<DWORD> RetryBufferSize(DWORD reportedSize);

// The thin registry steps the readers share.

// The key opened for reading; empty when it cannot be opened.
fw::unique_hkey OpenForReading(HKEY root, const std::wstring& subKey);

// One query into a fixed buffer; the reported size never exceeds capacity.
struct FixedQuery {
  LONG status = ERROR_SUCCESS;
  DWORD type = REG_NONE;
  DWORD size = 0;
};
FixedQuery QueryInto(HKEY key, const std::wstring& name, BYTE* buffer, DWORD capacity);

}  // namespace product_settings::detail
