#pragma once
// Raw registry writes for tests: any type, any bytes, NUL or not, so the
// readers can be fed what a careless writer would leave behind.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"

namespace vxtest {

// Creates root\keyPath as needed and stores exactly these bytes with this type.
bool SetRawValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& bytes);
// The text's UTF-16 units without any terminating NUL.
std::vector<BYTE> UnitBytes(const std::wstring& text);
// REG_SZ with its NUL counted.
bool SetText(HKEY root, const std::wstring& keyPath, const std::wstring& name,
             const std::wstring& text);
bool SetDword(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD value);
bool ValueExists(HKEY root, const std::wstring& keyPath, const std::wstring& name);
// Opens an existing key with the given access; empty on failure.
fw::unique_hkey OpenTestKey(HKEY root, const std::wstring& keyPath, REGSAM access = KEY_ALL_ACCESS);
// True while the handle still refers to an open key (a closed one fails).
bool HandleStillOpen(HKEY key);

// Removes keyPath at scope end when it did not exist at construction: for
// tests that must use a fixed key which other software may already own.
class RemoveIfCreated {
 public:
  RemoveIfCreated(HKEY root, std::wstring keyPath);
  ~RemoveIfCreated();
  RemoveIfCreated(const RemoveIfCreated&) = delete;
  RemoveIfCreated& operator=(const RemoveIfCreated&) = delete;

 private:
  HKEY root_;
  std::wstring path_;
  bool existed_;
};

}  // namespace vxtest
