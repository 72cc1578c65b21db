#pragma once
// The document component double, registered as the real component's class
// under the machine's classes for the life of one object (Wine reads class
// registrations from there only), and loaded into the test process so that
// the test can tell it what to answer and read what it saw.

#include <windows.h>

#include <string>

#include "framework/handles.h"
#include "tests/support/document_double_control.h"

namespace vxtest {

class ScopedDocumentComponent {
 public:
  // Registers the double's class and resets it to answer everything.
  ScopedDocumentComponent();
  // Removes the class registration again.
  ~ScopedDocumentComponent();
  ScopedDocumentComponent(const ScopedDocumentComponent&) = delete;
  ScopedDocumentComponent& operator=(const ScopedDocumentComponent&) = delete;

  bool ok() const { return configure_ != nullptr; }
  // Sets the answers and clears the counts (not the live objects).
  void Configure(const QfDoubleBehaviour& behaviour) const;
  QfDoubleRecord Record() const;
  LONG LiveObjects() const;

 private:
  fw::unique_hmodule module_;
  QfDoubleConfigureFn configure_ = nullptr;
  QfDoubleGetRecordFn getRecord_ = nullptr;
  QfDoubleLiveObjectsFn liveObjects_ = nullptr;
};

// The class key of the document component, below HKEY_LOCAL_MACHINE.
std::wstring DocumentComponentClassKey();

}  // namespace vxtest
