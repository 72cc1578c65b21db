#include "tests/support/document_component_support.h"

#include <gtest/gtest.h>

#include "library/product_settings/document_component.h"
#include "tests/support/test_support.h"

namespace vxtest {

namespace {

bool SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

std::wstring DocumentComponentClassKey() {
  wchar_t clsid[64] = {};
  ::StringFromGUID2(CLSID_QfDocumentFactory, clsid, 64);
  return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

ScopedDocumentComponent::ScopedDocumentComponent() {
  const std::wstring dll = BinPath(kQfDoubleDll);
  DeleteTree(HKEY_LOCAL_MACHINE, DocumentComponentClassKey());
  fw::unique_hkey server;
  const std::wstring serverKey = DocumentComponentClassKey() + L"\\InprocServer32";
  if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, serverKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, server.put(), nullptr) != ERROR_SUCCESS ||
      !SetText(server.get(), nullptr, dll) || !SetText(server.get(), L"ThreadingModel", L"Both")) {
    ADD_FAILURE() << "cannot register the document component double";
    return;
  }
  // The same file that COM loads, so the same module and the same state.
  module_.reset(::LoadLibraryW(dll.c_str()));
  if (!module_) {
    ADD_FAILURE() << "cannot load " << WideToUtf8(dll) << ": " << ::GetLastError();
    return;
  }
  configure_ = Export<QfDoubleConfigureFn>(module_.get(), "QfDoubleConfigure");
  getRecord_ = Export<QfDoubleGetRecordFn>(module_.get(), "QfDoubleGetRecord");
  liveObjects_ = Export<QfDoubleLiveObjectsFn>(module_.get(), "QfDoubleLiveObjects");
  if (!configure_ || !getRecord_ || !liveObjects_) {
    ADD_FAILURE() << "the document component double lacks its control exports";
    configure_ = nullptr;
    return;
  }
  Configure(QfDoubleBehaviour{});
}

ScopedDocumentComponent::~ScopedDocumentComponent() {
  DeleteTree(HKEY_LOCAL_MACHINE, DocumentComponentClassKey());
}

void ScopedDocumentComponent::Configure(const QfDoubleBehaviour& behaviour) const {
  if (configure_) configure_(&behaviour);
}

QfDoubleRecord ScopedDocumentComponent::Record() const {
  QfDoubleRecord record;
  if (getRecord_) getRecord_(&record);
  return record;
}

LONG ScopedDocumentComponent::LiveObjects() const { return liveObjects_ ? liveObjects_() : -1; }

}  // namespace vxtest
