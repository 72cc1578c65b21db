#pragma once
// Temporarily replaces one registry value that the prefix itself owns (a
// shell folder, a file association, a system version) and puts back exactly
// what was there, or removes the value when there was none.

#include <windows.h>

#include <optional>
#include <string>

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

// Waits up to timeoutMs for the shell-open recorder's log to hold a finished
// record; what the log holds then.
std::string WaitForOpenRecord(const std::wstring& logPath, DWORD timeoutMs);

}  // namespace vxtest
