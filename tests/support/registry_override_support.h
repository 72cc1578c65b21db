#pragma once
// Replaces one registry value that the prefix itself owns (a shell folder, a
// file association, a version) and puts back exactly what was there, or
// removes the value when there was none.

#include "tests/support/test_support.h"

namespace vxtest {

class ScopedValueOverride {
 public:
  ScopedValueOverride(HKEY root, std::wstring keyPath, std::wstring name, DWORD type,
                      const std::wstring& text);
  ~ScopedValueOverride();
  ScopedValueOverride(const ScopedValueOverride&) = delete;
  ScopedValueOverride& operator=(const ScopedValueOverride&) = delete;
  bool ok() const { return ok_; }

 private:
  HKEY root_;
  std::wstring keyPath_, name_;
  std::optional<RawValue> old_;
  bool ok_;
};

}  // namespace vxtest
