// The registry readers and the text writer that the product queries rest on.

#include "library/product_settings/product_settings.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/handles.h"
#include "library/product_settings/registry_value_text.h"

namespace product_settings::detail {

void AppendStoredText(std::wstring& text, const BYTE* data, DWORD size) {
  const size_t start = text.size();
  const size_t units = data ? size / sizeof(wchar_t) : 0;
  text.resize(start + units);
  if (units) std::memcpy(text.data() + start, data, units * sizeof(wchar_t));  // may be unaligned
  const size_t nul = text.find(L'\0', start);
  if (nul != std::wstring::npos) text.resize(nul);
}

std::wstring StoredText(const BYTE* data, DWORD size) {
  std::wstring text;
  AppendStoredText(text, data, size);
  return text;
}

DWORD DwordFromBytes(const BYTE* data, DWORD size) {
  DWORD value = 0;
  const DWORD count = size < sizeof(value) ? size : sizeof(value);
  for (DWORD i = 0; data && i < count; ++i) value |= static_cast<DWORD>(data[i]) << (8 * i);
  return value;
}

std::optional<std::wstring> AcceptedStringText(DWORD type, const BYTE* data, DWORD size) {
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
  if (size == 0) return std::wstring();
  if (size % sizeof(wchar_t) != 0 || data == nullptr) return std::nullopt;
  if (data[size - 1] != 0 || data[size - 2] != 0) return std::nullopt;
  return StoredText(data, size);
}

std::wstring ValueAsText(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_DWORD) {
    return std::to_wstring(static_cast<int32_t>(DwordFromBytes(data, size)));
  }
  return StoredText(data, size);
}

std::optional<DWORD> RetryBufferSize(DWORD reportedSize) {
  if (reportedSize > MAXDWORD / 2) return std::nullopt;
  return reportedSize * 2;
}

fw::unique_hkey OpenForReading(HKEY root, const std::wstring& subKey) {
  fw::unique_hkey key;
  ::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.put());
  return key;
}

FixedQuery QueryInto(HKEY key, const std::wstring& name, BYTE* buffer, DWORD capacity) {
  FixedQuery result;
  result.size = capacity;
  result.status =
      ::RegQueryValueExW(key, name.c_str(), nullptr, &result.type, buffer, &result.size);
  if (result.size > capacity) result.size = capacity;
  return result;
}

}  // namespace product_settings::detail

using namespace product_settings::detail;

bool QueryDwordValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                     DWORD& value) {
  // RegOpenKeyW itself hands back the root for an empty path, which would
  // then be closed here; MAXIMUM_ALLOWED is the access RegOpenKeyW asks for.
  fw::unique_hkey key;
  if (::RegOpenKeyExW(root, subKey.c_str(), 0, MAXIMUM_ALLOWED, key.put()) != ERROR_SUCCESS) {
    return false;
  }
  BYTE data[sizeof(DWORD)] = {};
  const FixedQuery query = QueryInto(key.get(), name, data, sizeof(data));
  if (query.status != ERROR_SUCCESS || query.type != REG_DWORD || query.size != sizeof(data)) {
    return false;
  }
  value = DwordFromBytes(data, query.size);
  return true;
}

bool QueryStringValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                      std::wstring& value) {
  const fw::unique_hkey key = OpenForReading(root, subKey);
  if (!key) return false;
  BYTE data[MAX_PATH * sizeof(wchar_t)] = {};
  const FixedQuery query = QueryInto(key.get(), name, data, sizeof(data));
  if (query.status != ERROR_SUCCESS) return false;
  std::optional<std::wstring> text = AcceptedStringText(query.type, data, query.size);
  if (!text) return false;
  value = std::move(*text);
  return true;
}

bool ReadDwordValue(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD& value) {
  const fw::unique_hkey key = OpenForReading(root, subKey);
  if (!key) return false;
  BYTE data[sizeof(DWORD)] = {};
  const FixedQuery query = QueryInto(key.get(), name, data, sizeof(data));
  if (query.status != ERROR_SUCCESS) return false;
  value = DwordFromBytes(data, query.size);
  return true;
}

bool ReadValueAsText(HKEY root, const std::wstring& subKey, const std::wstring& name,
                     std::wstring& value) {
  const fw::unique_hkey key = OpenForReading(root, subKey);
  if (!key) return false;

  std::vector<BYTE> data(160);
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(data.size());
  LONG status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
  if (status == ERROR_MORE_DATA) {
    // One retry only, with room to spare in case the value grew meanwhile.
    const std::optional<DWORD> retrySize = RetryBufferSize(size);
    if (!retrySize) return false;
    data.assign(*retrySize, 0);
    size = *retrySize;
    status = ::RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
  }
  if (status != ERROR_SUCCESS) return false;
  if (size > data.size()) size = static_cast<DWORD>(data.size());
  value = ValueAsText(type, data.data(), size);
  return true;
}

bool ReadMachineValueAsText(std::wstring name, std::wstring subKey, std::wstring& value) {
  return ReadValueAsText(HKEY_LOCAL_MACHINE, subKey, name, value);
}

bool RegistryKeyExists(HKEY root, const std::wstring& subKey) {
  return static_cast<bool>(OpenForReading(root, subKey));
}

LONG WriteStringValue(HKEY root, const std::wstring& subKey, const std::wstring& name,
                      const std::wstring& text) {
  fw::unique_hkey key;
  const LONG opened = ::RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, key.put());
  if (opened != ERROR_SUCCESS) return opened;
  // A text whose byte count does not fit a DWORD is not written at all; the
  // result, like any failed write's, stays that of the close.
  if (text.size() <= (MAXDWORD - sizeof(wchar_t)) / sizeof(wchar_t)) {
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(text.c_str()), bytes);
  }
  return ::RegCloseKey(key.release());
}
