// Product settings in the registry: typed values, numbered pieces for long
// text, and number text that does not depend on the process's locale.

#include "library/temp_registry/temp_registry.h"

#include <clocale>
#include <cstdio>
#include <cwchar>

#include "framework/handles.h"
#include "library/product_settings/registry_value_text.h"
#include "library/temp_registry/setting_text.h"

namespace temp_registry::detail {

std::wstring PieceValueName(const std::wstring& name, size_t index) {
  return name + std::to_wstring(index) + L"+";
}

std::vector<std::wstring> SplitIntoPieces(const std::wstring& text) {
  std::vector<std::wstring> pieces;
  size_t start = 0;
  do {
    pieces.push_back(text.substr(start, kPieceCharacters));
    start += kPieceCharacters;
  } while (start < text.size());
  return pieces;
}

bool IsUserOnlyProductKey(const std::wstring& productKey) {
  return productKey == kViewerProductKey;
}

ScopedCNumericLocale::ScopedCNumericLocale() {
  if (const char* current = std::setlocale(LC_NUMERIC, nullptr)) previous_ = current;
  std::setlocale(LC_NUMERIC, "C");
}

ScopedCNumericLocale::~ScopedCNumericLocale() {
  if (!previous_.empty()) std::setlocale(LC_NUMERIC, previous_.c_str());
}

std::wstring FormatSettingNumber(double value) {
  wchar_t buffer[100] = {};
  {
    const ScopedCNumericLocale cLocale;
    if (std::swprintf(buffer, 100, L"%.18g", value) < 0) buffer[0] = L'\0';
  }
  return fw::BoundedText(buffer, 100);
}

bool ParseSettingNumber(const std::wstring& text, double& value) {
  double converted = 0;
  int fields = 0;
  {
    const ScopedCNumericLocale cLocale;
    fields = std::swscanf(text.c_str(), L"%lf", &converted);
  }
  if (fields != 1) return false;
  value = converted;
  return true;
}

}  // namespace temp_registry::detail

namespace {

using namespace temp_registry::detail;
using product_settings::detail::FixedQuery;
using product_settings::detail::OpenForReading;
using product_settings::detail::QueryInto;
using product_settings::detail::StoredText;

// The access RegOpenKeyW and RegCreateKeyW ask for, but always a handle of
// our own: those two hand back the very root they were given for an empty
// path, which closing the result would then close.
fw::unique_hkey OpenKey(HKEY root, const std::wstring& path) {
  fw::unique_hkey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, MAXIMUM_ALLOWED, key.put()) != ERROR_SUCCESS) {
    key.reset();
  }
  return key;
}

fw::unique_hkey CreateKey(HKEY root, const std::wstring& path) {
  fw::unique_hkey key;
  if (::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
    key.reset();
  }
  return key;
}

bool SetText(HKEY key, const std::wstring& name, const std::wstring& text) {
  // Every caller's text is short (a piece, a plain value, a number), so its
  // byte count fits a DWORD.
  const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

// The key of a setting: the sub-key path, then the section below it.
fw::unique_hkey OpenSettingKey(HKEY root, const std::wstring& subKey, const std::wstring& section) {
  fw::unique_hkey productKey = OpenKey(root, subKey);
  if (!productKey || section.empty()) return productKey;
  return OpenKey(productKey.get(), section);
}

fw::unique_hkey CreateSettingKey(HKEY root, const std::wstring& subKey,
                                 const std::wstring& section) {
  fw::unique_hkey productKey = CreateKey(root, subKey);
  if (!productKey || section.empty()) return productKey;
  return CreateKey(productKey.get(), section);
}

bool ReadString(HKEY key, const std::wstring& name, std::wstring& text) {
  BYTE data[2048];
  const FixedQuery query = QueryInto(key, name, data, sizeof(data));
  if (query.status != ERROR_SUCCESS) {
    // Missing or longer than one plain value: the numbered pieces, if any.
    return !ReadNumberedValues(key, name, text);
  }
  if (query.type != REG_SZ) return false;
  text = StoredText(data, query.size);
  return true;
}

}  // namespace

std::wstring& ProductKeyName() {
  static std::wstring name;
  return name;
}

const std::wstring& TakeProductKeyName() {
  std::wstring& name = ProductKeyName();
  if (name.empty()) name = kDefaultProductKey;
  return name;
}

void SetProductKeyName(const std::wstring& name) {
  ProductKeyName() = std::wstring(kDefaultProductKey) + L"\\" + name;
}

bool DeleteNumberedValues(HKEY key, const std::wstring& name) {
  for (size_t index = 0;; ++index) {
    if (::RegDeleteValueW(key, PieceValueName(name, index).c_str()) != ERROR_SUCCESS) break;
  }
  return true;
}

bool ReadNumberedValues(HKEY key, const std::wstring& name, std::wstring& text) {
  if (key == nullptr) return true;
  bool nothingRead = true;
  for (size_t index = 0;; ++index) {
    BYTE data[2048];
    const FixedQuery query = QueryInto(key, PieceValueName(name, index), data, sizeof(data));
    if (query.status != ERROR_SUCCESS || query.type != REG_SZ) break;
    product_settings::detail::AppendStoredText(text, data, query.size);
    nothingRead = false;
  }
  return nothingRead;
}

int WriteNumberedValues(HKEY key, const std::wstring& name, const std::wstring& text) {
  if (key == nullptr) return 1;
  ::RegDeleteValueW(key, name.c_str());
  DeleteNumberedValues(key, name);
  const std::vector<std::wstring> pieces = SplitIntoPieces(text);
  for (size_t index = 0; index < pieces.size(); ++index) {
    if (!SetText(key, PieceValueName(name, index), pieces[index])) return 1;
  }
  return 0;
}

bool ReadSettingValue(const std::wstring& subKey, HKEY root, const std::wstring& section,
                      const std::wstring& name, SettingValueType type, std::wstring* text,
                      DWORD* number, double* value) {
  if (type == SettingValueType::Dword    ? number == nullptr
      : type == SettingValueType::String ? text == nullptr
                                         : value == nullptr) {
    return false;
  }
  const fw::unique_hkey key = OpenSettingKey(root, subKey, section);
  if (!key) return false;

  if (type == SettingValueType::Dword) {
    BYTE data[sizeof(DWORD)] = {};
    const FixedQuery query = QueryInto(key.get(), name, data, sizeof(data));
    // A REG_DWORD of another size is malformed; nothing of it is taken.
    if (query.status != ERROR_SUCCESS || query.type != REG_DWORD || query.size != sizeof(data)) {
      return false;
    }
    *number = product_settings::detail::DwordFromBytes(data, query.size);
    return true;
  }
  if (type == SettingValueType::String) return ReadString(key.get(), name, *text);

  BYTE data[256];
  const FixedQuery query = QueryInto(key.get(), name, data, sizeof(data));
  if (query.status != ERROR_SUCCESS || query.type != REG_SZ) return false;
  // Text that is no number is still a found setting; the number stays as it was.
  ParseSettingNumber(StoredText(data, query.size), *value);
  return true;
}

bool WriteSettingValue(const std::wstring& subKey, HKEY root, const std::wstring& section,
                       const std::wstring& name, SettingValueType type, const std::wstring& text,
                       const DWORD* number, const double* value) {
  if ((type == SettingValueType::Dword && number == nullptr) ||
      (type != SettingValueType::Dword && type != SettingValueType::String && value == nullptr)) {
    return false;
  }
  const fw::unique_hkey key = CreateSettingKey(root, subKey, section);
  if (!key) return false;

  if (type == SettingValueType::Dword) {
    return ::RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(number),
                            sizeof(*number)) == ERROR_SUCCESS;
  }
  if (type == SettingValueType::String) {
    DeleteNumberedValues(key.get(), name);
    if (text.size() <= kLongestPlainString) return SetText(key.get(), name, text);
    return WriteNumberedValues(key.get(), name, text) == 0;
  }
  return SetText(key.get(), name, FormatSettingNumber(*value));
}

bool ReadProductSetting(const std::wstring& section, const std::wstring& name,
                        SettingValueType type, std::wstring* text, DWORD* number, double* value,
                        bool machineOnly, bool useProductKey,
                        const std::wstring& explicitProductKey) {
  const std::wstring productKey = !explicitProductKey.empty() ? explicitProductKey
                                  : useProductKey             ? TakeProductKeyName()
                                                              : std::wstring(kDefaultProductKey);
  if (!machineOnly) {
    const fw::unique_hkey software = OpenForReading(HKEY_CURRENT_USER, L"Software");
    if (!software) return false;
    if (ReadSettingValue(productKey, software.get(), section, name, type, text, number, value)) {
      return true;
    }
    if (IsUserOnlyProductKey(productKey)) return false;
    // The product key name as it stands, even empty: the section then lies
    // directly below Software.
    if (ReadSettingValue(ProductKeyName(), software.get(), section, name, type, text, number,
                         value)) {
      return true;
    }
  }
  {
    const fw::unique_hkey software = OpenForReading(HKEY_LOCAL_MACHINE, L"Software");
    if (software &&
        ReadSettingValue(productKey, software.get(), section, name, type, text, number, value)) {
      return true;
    }
  }
  const fw::unique_hkey defaultUser = OpenForReading(HKEY_USERS, L".DEFAULT");
  if (!defaultUser) return false;
  const fw::unique_hkey software = OpenForReading(defaultUser.get(), L"Software");
  if (!software) return false;
  return ReadSettingValue(productKey, software.get(), section, name, type, text, number, value);
}

bool WriteProductSetting(const std::wstring& section, const std::wstring& name,
                         SettingValueType type, const std::wstring& text, const DWORD* number,
                         const double* value, bool useProductKey) {
  const std::wstring productKey =
      useProductKey ? TakeProductKeyName() : std::wstring(kDefaultProductKey);
  fw::unique_hkey software;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ | KEY_WRITE, software.put()) !=
      ERROR_SUCCESS) {
    return false;
  }
  return WriteSettingValue(productKey, software.get(), section, name, type, text, number, value);
}
