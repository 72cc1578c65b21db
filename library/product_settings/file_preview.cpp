#include "library/product_settings/product_settings.h"

#include <shlwapi.h>

#include <iterator>
#include <new>

#include "library/product_settings/file_preview_detail.h"

namespace vxlib::detail {

namespace {

constexpr const wchar_t* kAnnotationExtensions[] = {
    L".qlfweldfvt", L".qlfsffvt", L".qlfgtolfvt", L".qlfnotestl",
    L".qlfgtolstl", L".qlfsfstl", L".qlfweldstl", L".qlfnotefvt",
};

// The client key, each unit XORed with 0x5A plus its position, so that it
// does not stand in the binary as plain text.
constexpr wchar_t kScrambledClientKey[] = {
    0x000C, 0x0023, 0x0072, 0x000D, 0x002C, 0x003A, 0x0016, 0x0008, 0x0007,
    0x0014, 0x0027, 0x0009, 0x000F, 0x0002, 0x0006, 0x001D, 0x0044, 0x005A,
};

}  // namespace

bool IsAnnotationExtension(const wchar_t* ext) {
  if (ext == nullptr || *ext == L'\0') return false;
  for (const wchar_t* known : kAnnotationExtensions) {
    if (::CompareStringOrdinal(ext, -1, known, -1, TRUE) == CSTR_EQUAL) return true;
  }
  return false;
}

std::wstring DocumentClientKey() {
  std::wstring key;
  key.reserve(std::size(kScrambledClientKey));
  for (size_t i = 0; i < std::size(kScrambledClientKey); ++i) {
    key.push_back(static_cast<wchar_t>(kScrambledClientKey[i] ^ (0x5A + i)));
  }
  return key;
}

}  // namespace vxlib::detail

namespace {

fw::unique_bstr AllocBstr(const std::wstring& text) {
  fw::unique_bstr copy(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (!copy) throw std::bad_alloc();
  return copy;
}

// Hands the component's picture to the caller as IPicture; null when the
// object does not offer it.
void TakePicture(const fw::com_ptr<IUnknown>& obtained, fw::com_ptr<IPicture>& picture) {
  fw::com_ptr<IPicture> queried;
  obtained.query_to(queried);
  picture = std::move(queried);
}

HRESULT AnnotationPreview(fw::unique_bstr path, IQfApplication* application,
                          fw::com_ptr<IPicture>& picture) {
  fw::com_ptr<IQfAnnotationPreview> annotations;
  application->QueryInterface(__uuidof(IQfAnnotationPreview), annotations.put_void());
  if (!annotations) return E_FAIL;

  LONG status = 0;
  fw::com_ptr<IUnknown> obtained;
  const HRESULT hr = annotations->GetAnnotationPreview(path.get(), &status, obtained.put());
  path.reset();
  if (hr == S_FALSE || !obtained) return E_FAIL;

  TakePicture(obtained, picture);
  return S_OK;
}

HRESULT DocumentPreview(fw::unique_bstr path, IQfApplication* application,
                        fw::com_ptr<IPicture>& picture) {
  LONG status = 0;
  fw::com_ptr<IUnknown> document;
  // The open call's own result says nothing the status and the document
  // do not say better.
  application->OpenDocument(path.get(), 0, VARIANT_TRUE, &status, document.put());
  path.reset();
  // A document the component refuses is no failure of ours: the caller
  // keeps whatever picture it had.
  if (status != 0) return S_OK;

  fw::com_ptr<IQfDocumentPreview> preview;
  document.query_to(preview);
  if (!preview) return E_FAIL;

  fw::com_ptr<IUnknown> obtained;
  LONG previewStatus = 0;
  preview->GetPreview(&previewStatus, obtained.put());
  // A document whose preview is still being drawn gives it on the next call.
  if (!obtained) preview->GetPreview(&previewStatus, obtained.put());
  if (!obtained) return E_FAIL;

  TakePicture(obtained, picture);
  return S_OK;
}

}  // namespace

HRESULT GetFilePreview(const std::wstring& path, fw::com_ptr<IQfApplication>& application,
                       fw::com_ptr<IPicture>& picture) {
  if (!application) {
    fw::com_ptr<IQfDocumentFactory> factory;
    HRESULT hr = ::CoCreateInstance(CLSID_QfDocumentFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(IQfDocumentFactory), factory.put_void());
    if (FAILED(hr)) return hr;
    if (!factory) return E_NOINTERFACE;  // a component that succeeds with nothing
    fw::unique_bstr key = AllocBstr(vxlib::detail::DocumentClientKey());
    hr = factory->CreateApplication(key.get(), application.put());
    if (FAILED(hr)) {
      application.reset();  // whatever a failing component left there is not kept
      return hr;
    }
    if (!application) return hr;
  }

  fw::unique_bstr pathCopy = AllocBstr(path);
  if (vxlib::detail::IsAnnotationExtension(::PathFindExtensionW(path.c_str()))) {
    return AnnotationPreview(std::move(pathCopy), application.get(), picture);
  }
  return DocumentPreview(std::move(pathCopy), application.get(), picture);
}
