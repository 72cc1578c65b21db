#pragma once
// The CAD product's document component as this program sees it: an
// in-process COM server whose factory object hands out the application
// object, which opens documents and draws annotation previews.
//
// Slots are the vtable order below, after IUnknown's three. Every output
// pointer is set to null first by the component; a null output means
// "nothing obtained". Statuses are the component's own 32-bit codes, 0 for
// success.

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <rpcndr.h>

struct IQfApplication;

// The factory object, created with CoCreateInstance(CLSID_QfDocumentFactory,
// CLSCTX_INPROC_SERVER). Class registered by the CAD product's setup.
inline constexpr CLSID CLSID_QfDocumentFactory = {
    0x465199cc, 0x5d0a, 0x4bc3, {0xa3, 0x3c, 0xaf, 0x19, 0xc5, 0xfd, 0xfe, 0xa5}};

// The interface macro hides the struct keyword from the formatter.
// clang-format off

// {8964F45E-93AA-4794-9FB3-97EE563519F9}
MIDL_INTERFACE("8964F45E-93AA-4794-9FB3-97EE563519F9")
IQfDocumentFactory : public IUnknown {
  // Slot 3. clientKey identifies the calling program to the component; the
  // application comes back with one reference owned by the caller.
  virtual HRESULT STDMETHODCALLTYPE CreateApplication(BSTR clientKey,
                                                      IQfApplication** application) = 0;
};

// {E382BB87-CD07-4563-BC60-174742E17849}
MIDL_INTERFACE("E382BB87-CD07-4563-BC60-174742E17849")
IQfApplication : public IUnknown {
  // Slot 3. options: 0 for a plain open; readOnly: VARIANT_TRUE to leave
  // the file untouched. status is 0 when the document was opened; document
  // is the opened document (query it for IQfDocumentPreview).
  virtual HRESULT STDMETHODCALLTYPE OpenDocument(BSTR path, LONG options, VARIANT_BOOL readOnly,
                                                 LONG* status, IUnknown** document) = 0;
};

// Offered by an opened document. {516A015D-8112-4B82-8A2D-68181EA23F0C}
MIDL_INTERFACE("516A015D-8112-4B82-8A2D-68181EA23F0C")
IQfDocumentPreview : public IUnknown {
  // Slot 3. picture answers IPicture; null when the document stores none
  // (a second call may find one that the first had still to render).
  virtual HRESULT STDMETHODCALLTYPE GetPreview(LONG* status, IUnknown** picture) = 0;
};

// Offered by the application. {C1017F46-9EB8-4FD4-864D-014814BE1DF6}
MIDL_INTERFACE("C1017F46-9EB8-4FD4-864D-014814BE1DF6")
IQfAnnotationPreview : public IUnknown {
  // Slot 3. Returns S_FALSE when the annotation file has no preview.
  virtual HRESULT STDMETHODCALLTYPE GetAnnotationPreview(BSTR path, LONG* status,
                                                         IUnknown** picture) = 0;
};

  // clang-format on

#ifdef __MINGW32__
__CRT_UUID_DECL(IQfDocumentFactory, 0x8964f45e, 0x93aa, 0x4794, 0x9f, 0xb3, 0x97, 0xee, 0x56, 0x35,
                0x19, 0xf9)
__CRT_UUID_DECL(IQfApplication, 0xe382bb87, 0xcd07, 0x4563, 0xbc, 0x60, 0x17, 0x47, 0x42, 0xe1,
                0x78, 0x49)
__CRT_UUID_DECL(IQfDocumentPreview, 0x516a015d, 0x8112, 0x4b82, 0x8a, 0x2d, 0x68, 0x18, 0x1e, 0xa2,
                0x3f, 0x0c)
__CRT_UUID_DECL(IQfAnnotationPreview, 0xc1017f46, 0x9eb8, 0x4fd4, 0x86, 0x4d, 0x01, 0x48, 0x14,
                0xbe, 0x1d, 0xf6)
#endif
