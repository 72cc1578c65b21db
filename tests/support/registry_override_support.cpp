#include "tests/support/registry_override_support.h"

#include "tests/support/registry_value_support.h"

namespace vxtest {

ScopedValueOverride::ScopedValueOverride(HKEY root, std::wstring keyPath, std::wstring name,
                                         DWORD type, const std::wstring& text)
    : root_(root),
      keyPath_(std::move(keyPath)),
      name_(std::move(name)),
      old_(ReadRawValue(root_, keyPath_, name_)),
      ok_(SetRawValue(root_, keyPath_, name_, type, SzBytes(text))) {}

ScopedValueOverride::~ScopedValueOverride() {
  if (old_) {
    SetRawValue(root_, keyPath_, name_, old_->type, old_->data);
  } else if (fw::unique_hkey key = OpenTestKey(root_, keyPath_)) {
    ::RegDeleteValueW(key.get(), name_.c_str());
  }
}

}  // namespace vxtest
