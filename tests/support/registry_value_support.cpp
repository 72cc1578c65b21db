#include "tests/support/registry_value_support.h"

#include "tests/support/test_support.h"

namespace vxtest {

bool SetRawValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& bytes) {
  fw::unique_hkey key;
  return ::RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS &&
         ::RegSetValueExW(key.get(), name.c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                          static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
}

bool SetText(HKEY root, const std::wstring& keyPath, const std::wstring& name,
             const std::wstring& text) {
  return SetRawValue(root, keyPath, name, REG_SZ, SzBytes(text));
}

std::vector<BYTE> UnitBytes(const std::wstring& text) {
  const auto* first = reinterpret_cast<const BYTE*>(text.data());
  return {first, first + text.size() * sizeof(wchar_t)};
}

std::vector<BYTE> DwordBytes(DWORD value) {
  return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

fw::unique_hkey OpenTestKey(HKEY root, const std::wstring& keyPath, REGSAM access) {
  fw::unique_hkey key;
  if (::RegOpenKeyExW(root, keyPath.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.reset();
  return key;
}

bool HandleStillOpen(HKEY key) {
  DWORD values = 0;
  return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

RemoveIfCreated::RemoveIfCreated(HKEY root, std::wstring keyPath)
    : root_(root), path_(std::move(keyPath)), existed_(KeyExists(root_, path_)) {}

RemoveIfCreated::~RemoveIfCreated() {
  if (!existed_) DeleteTree(root_, path_);
}

}  // namespace vxtest
