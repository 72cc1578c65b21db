#pragma once
// Raw registry writes for tests: any type, any bytes, NUL or not.

#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"

namespace vxtest {

// Creates root\keyPath as needed and stores exactly these bytes with this type.
bool SetRawValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD type,
                 const std::vector<BYTE>& bytes);
// REG_SZ with its NUL counted.
bool SetText(HKEY root, const std::wstring& keyPath, const std::wstring& name,
             const std::wstring& text);
std::vector<BYTE> UnitBytes(const std::wstring& text);  // no NUL added
std::vector<BYTE> DwordBytes(DWORD value);
fw::unique_hkey OpenTestKey(HKEY root, const std::wstring& keyPath, REGSAM access = KEY_ALL_ACCESS);
bool HandleStillOpen(HKEY key);

// Removes keyPath at scope end unless it existed before: for a fixed key.
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
