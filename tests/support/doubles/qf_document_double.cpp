// Stands in for the CAD product's document component: a real in-process COM
// server whose answers the tests set and whose objects they count.

#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <cwchar>

#include "library/product_settings/document_component.h"
#include "tests/support/document_double_control.h"

namespace {

QfDoubleState g_state;
const QfDoubleBehaviour& Answer() { return g_state.answer; }
QfDoubleRecord& Seen() { return g_state.seen; }

template <size_t N>
void Keep(wchar_t (&out)[N], BSTR text) {
  const size_t units = text ? ::SysStringLen(text) : 0;
  const size_t kept = units < N - 1 ? units : N - 1;
  std::wmemcpy(out, text ? text : L"", kept);
  out[kept] = L'\0';
}

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
  HRESULT Give(IUnknown* offered, void** out) {
    *out = offered;
    if (!offered) return E_NOINTERFACE;
    offered->AddRef();
    return S_OK;
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
    return Give(iid == IID_IPicture && Answer().pictureOffersIPicture ? picture_ : nullptr, out);
  }

 private:
  IPicture* picture_ = nullptr;
};

class Document final : public Counted<IQfDocumentPreview> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    const bool offered = iid == IID_IUnknown ||
                         (iid == __uuidof(IQfDocumentPreview) && Answer().documentOffersPreview);
    return Give(offered ? this : nullptr, out);
  }
  HRESULT STDMETHODCALLTYPE GetPreview(LONG* status, IUnknown** picture) override {
    ++Seen().previewCalls;
    const LONG from = Answer().previewPictureFromCall;
    *status = 0;
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
    const bool annotations =
        iid == __uuidof(IQfAnnotationPreview) && Answer().applicationOffersAnnotations;
    return Give(annotations ? static_cast<IQfAnnotationPreview*>(this) : nullptr, out);
  }
  HRESULT STDMETHODCALLTYPE OpenDocument(BSTR path, LONG options, VARIANT_BOOL readOnly,
                                         LONG* status, IUnknown** document) override {
    ++Seen().openCalls;
    SeePath(path);
    Seen().lastOpenOptions = options;
    Seen().lastOpenReadOnly = readOnly;
    *status = Answer().openStatus;
    *document = Answer().openGivesDocument ? new Document() : nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAnnotationPreview(BSTR path, LONG* status,
                                                 IUnknown** picture) override {
    ++Seen().annotationCalls;
    SeePath(path);
    *status = 0;
    *picture = Answer().annotationGivesPicture ? new Picture() : nullptr;
    return Answer().annotationResult;
  }

 private:
  static void SeePath(BSTR path) {
    Keep(Seen().lastPath, path);
    Seen().lastPathUnits = ::SysStringLen(path);
  }
};

class Factory final : public Counted<IQfDocumentFactory> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    const bool offered = iid == IID_IUnknown || iid == __uuidof(IQfDocumentFactory);
    return Give(offered ? this : nullptr, out);
  }
  HRESULT STDMETHODCALLTYPE CreateApplication(BSTR clientKey,
                                              IQfApplication** application) override {
    ++Seen().applicationCalls;
    Keep(Seen().lastClientKey, clientKey);
    const HRESULT result = Answer().createApplicationResult;
    *application = SUCCEEDED(result) && !Answer().applicationNull ? new Application() : nullptr;
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
    if (FAILED(Answer().createInstanceResult)) return Answer().createInstanceResult;
    ++Seen().factoriesCreated;
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

// The test holds the DLL loaded; it is never unloaded under it.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

QfDoubleState* WINAPI QfDoubleControl() { return &g_state; }

}  // extern "C"
