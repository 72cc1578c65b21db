// Stands in for the CAD product's document component: an in-process COM
// server with the factory, application, document and picture objects that
// the preview routine talks to. The tests load the same DLL to tell it what
// to answer (QfDoubleConfigure) and to read what it saw and how many of its
// objects are still alive (QfDoubleGetRecord, QfDoubleLiveObjects).

#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <cwchar>
#include <iterator>

#include "library/product_settings/document_component.h"
#include "tests/support/document_double_control.h"

namespace {

QfDoubleBehaviour g_behaviour;
QfDoubleRecord g_record;
LONG g_live = 0;
LONG g_locks = 0;

void CopyText(wchar_t* out, size_t capacity, BSTR text) {
  const size_t units = text ? ::SysStringLen(text) : 0;
  const size_t kept = units < capacity - 1 ? units : capacity - 1;
  if (kept) std::wmemcpy(out, text, kept);
  out[kept] = L'\0';
}

// Reference counting shared by every object the double hands out; each
// live object counts once in g_live.
class Counted {
 public:
  Counted() { ::InterlockedIncrement(&g_live); }
  virtual ~Counted() { ::InterlockedDecrement(&g_live); }
  ULONG AddRefImpl() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
  ULONG ReleaseImpl() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 private:
  LONG refs_ = 1;
};

#define VX_COUNTED_IUNKNOWN                                            \
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }   \
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); } \
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override

// Answers IPicture with a real OLE picture of 3 x 2 pixels that it holds.
class Picture final : public IUnknown, public Counted {
 public:
  Picture() {
    PICTDESC description = {};
    description.cbSizeofstruct = sizeof(description);
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = ::CreateBitmap(3, 2, 1, 32, nullptr);
    ::OleCreatePictureIndirect(&description, IID_IPicture, TRUE,
                               reinterpret_cast<void**>(&picture_));
  }
  ~Picture() override {
    if (picture_) picture_->Release();
  }
  VX_COUNTED_IUNKNOWN {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    if (iid == IID_IPicture && g_behaviour.pictureOffersIPicture && picture_) {
      picture_->AddRef();
      *out = picture_;
      return S_OK;
    }
    return E_NOINTERFACE;
  }

 private:
  IPicture* picture_ = nullptr;
};

class Document final : public IQfDocumentPreview, public Counted {
 public:
  VX_COUNTED_IUNKNOWN {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown ||
        (iid == __uuidof(IQfDocumentPreview) && g_behaviour.documentOffersPreview)) {
      *out = static_cast<IQfDocumentPreview*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetPreview(LONG* status, IUnknown** picture) override {
    ::InterlockedIncrement(&g_record.previewCalls);
    ++calls_;
    *status = 0;
    *picture = nullptr;
    const LONG from = g_behaviour.previewPictureFromCall;
    if (from != 0 && calls_ >= from) *picture = new Picture();
    return S_OK;
  }

 private:
  LONG calls_ = 0;
};

class Application final : public IQfApplication, public IQfAnnotationPreview, public Counted {
 public:
  VX_COUNTED_IUNKNOWN {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == __uuidof(IQfApplication)) {
      *out = static_cast<IQfApplication*>(this);
    } else if (iid == __uuidof(IQfAnnotationPreview) && g_behaviour.applicationOffersAnnotations) {
      *out = static_cast<IQfAnnotationPreview*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenDocument(BSTR path, LONG options, VARIANT_BOOL readOnly,
                                         LONG* status, IUnknown** document) override {
    ::InterlockedIncrement(&g_record.openCalls);
    CopyText(g_record.lastPath, std::size(g_record.lastPath), path);
    g_record.lastPathUnits = ::SysStringLen(path);
    g_record.lastOpenOptions = options;
    g_record.lastOpenReadOnly = readOnly;
    *status = g_behaviour.openStatus;
    *document =
        g_behaviour.openGivesDocument ? static_cast<IQfDocumentPreview*>(new Document()) : nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAnnotationPreview(BSTR path, LONG* status,
                                                 IUnknown** picture) override {
    ::InterlockedIncrement(&g_record.annotationCalls);
    CopyText(g_record.lastPath, std::size(g_record.lastPath), path);
    g_record.lastPathUnits = ::SysStringLen(path);
    *status = 0;
    *picture = g_behaviour.annotationGivesPicture ? new Picture() : nullptr;
    return g_behaviour.annotationResult;
  }
};

class Factory final : public IQfDocumentFactory, public Counted {
 public:
  VX_COUNTED_IUNKNOWN {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == __uuidof(IQfDocumentFactory)) {
      *out = static_cast<IQfDocumentFactory*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE CreateApplication(BSTR clientKey,
                                              IQfApplication** application) override {
    ::InterlockedIncrement(&g_record.applicationCalls);
    CopyText(g_record.lastClientKey, std::size(g_record.lastClientKey), clientKey);
    *application = nullptr;
    if (SUCCEEDED(g_behaviour.createApplicationResult) && !g_behaviour.applicationNull) {
      *application = new Application();
    }
    return g_behaviour.createApplicationResult;
  }
};

class ClassObject final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // static: never deleted
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (FAILED(g_behaviour.createInstanceResult)) return g_behaviour.createInstanceResult;
    ::InterlockedIncrement(&g_record.factoriesCreated);
    Factory* factory = new Factory();
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      ::InterlockedIncrement(&g_locks);
    else
      ::InterlockedDecrement(&g_locks);
    return S_OK;
  }
};

ClassObject g_classObject;

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (clsid != CLSID_QfDocumentFactory) return CLASS_E_CLASSNOTAVAILABLE;
  return g_classObject.QueryInterface(iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_live == 0 && g_locks == 0 ? S_OK : S_FALSE; }

void WINAPI QfDoubleConfigure(const QfDoubleBehaviour* behaviour) {
  g_behaviour = behaviour ? *behaviour : QfDoubleBehaviour{};
  const LONG live = g_record.liveObjects;
  g_record = QfDoubleRecord{};
  g_record.liveObjects = live;
}

void WINAPI QfDoubleGetRecord(QfDoubleRecord* record) {
  if (!record) return;
  *record = g_record;
  record->liveObjects = g_live;
}

LONG WINAPI QfDoubleLiveObjects() { return g_live; }

}  // extern "C"
