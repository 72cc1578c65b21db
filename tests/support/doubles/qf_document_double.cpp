// Stands in for the CAD product's document component: a real in-process COM
// server whose answers the tests set and whose objects they count.

#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <cwchar>
#include <iterator>

#include "library/product_settings/document_component.h"
#include "tests/support/document_double_control.h"

namespace {

QfDoubleState g_state;
const QfDoubleBehaviour& answer = g_state.answer;
QfDoubleRecord& seen = g_state.seen;

template <typename... Interfaces>
class Counted : public Interfaces... {
 public:
  Counted() { ::InterlockedIncrement(&g_state.liveObjects); }
  virtual ~Counted() { ::InterlockedDecrement(&g_state.liveObjects); }
  ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  // Hands out offered (null: E_NOINTERFACE) with a reference of its own.
  static HRESULT Give(IUnknown* offered, void** out) {
    if ((*out = offered)) offered->AddRef();
    return offered ? S_OK : E_NOINTERFACE;
  }

 private:
  LONG refs_ = 1;
};

// Holds a real OLE picture of 3 x 2 pixels and answers IPicture with it.
class Picture final : public Counted<IUnknown> {
 public:
  Picture() {
    PICTDESC description = {sizeof(description), PICTYPE_BITMAP, {}};
    description.bmp.hbitmap = ::CreateBitmap(3, 2, 1, 32, nullptr);
    ::OleCreatePictureIndirect(&description, IID_IPicture, TRUE, (void**)&picture_);
  }
  ~Picture() override { picture_->Release(); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) return Give(this, out);
    return Give(iid == IID_IPicture && answer.pictureOffersIPicture ? picture_ : nullptr, out);
  }

 private:
  IPicture* picture_ = nullptr;
};

class Document final : public Counted<IQfDocumentPreview> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Give(iid == IID_IUnknown || iid == __uuidof(IQfDocumentPreview) ? this : nullptr, out);
  }
  HRESULT STDMETHODCALLTYPE GetPreview(LONG* status, IUnknown** picture) override {
    ++seen.previewCalls;
    *status = 0;
    const LONG from = answer.previewPictureFromCall;
    *picture = from != 0 && ++calls_ >= from ? new Picture() : nullptr;
    return S_OK;
  }

 private:
  LONG calls_ = 0;
};

class Application final : public Counted<IQfApplication, IQfAnnotationPreview> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == __uuidof(IQfApplication)) {
      return Give(static_cast<IQfApplication*>(this), out);
    }
    const bool notes = iid == __uuidof(IQfAnnotationPreview) && answer.applicationOffersAnnotations;
    return Give(notes ? static_cast<IQfAnnotationPreview*>(this) : nullptr, out);
  }
  HRESULT STDMETHODCALLTYPE OpenDocument(BSTR path, LONG options, VARIANT_BOOL readOnly,
                                         LONG* status, IUnknown** document) override {
    See(path, seen.openCalls);
    seen.lastOpenOptions = options;
    seen.lastOpenReadOnly = readOnly;
    *status = answer.openStatus;
    *document = answer.openGivesDocument ? new Document() : nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAnnotationPreview(BSTR path, LONG* status,
                                                 IUnknown** picture) override {
    See(path, seen.annotationCalls);
    *status = 0;
    *picture = new Picture();
    return answer.annotationResult;
  }

 private:
  static void See(BSTR path, LONG& calls) {
    ++calls;
    std::wcsncpy(seen.lastPath, path, std::size(seen.lastPath) - 1);
    seen.lastPathUnits = ::SysStringLen(path);
  }
};

class Factory final : public Counted<IQfDocumentFactory> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Give(iid == IID_IUnknown || iid == __uuidof(IQfDocumentFactory) ? this : nullptr, out);
  }
  HRESULT STDMETHODCALLTYPE CreateApplication(BSTR key, IQfApplication** application) override {
    ++seen.applicationCalls;
    std::wcsncpy(seen.lastClientKey, key, std::size(seen.lastClientKey) - 1);
    const HRESULT result = answer.createApplicationResult;
    *application = SUCCEEDED(result) && !answer.applicationNull ? new Application() : nullptr;
    return result;
  }
};

class ClassObject final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    *out = nullptr;
    if (FAILED(answer.createInstanceResult)) return answer.createInstanceResult;
    ++seen.factoriesCreated;
    Factory* factory = new Factory();
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
} g_classObject;

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (clsid != CLSID_QfDocumentFactory) return CLASS_E_CLASSNOTAVAILABLE;
  return g_classObject.QueryInterface(iid, out);
}
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }  // the test holds it loaded
QfDoubleState* WINAPI QfDoubleControl() { return &g_state; }

}  // extern "C"
