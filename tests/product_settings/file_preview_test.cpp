#include "library/product_settings/product_settings.h"

#include <gtest/gtest.h>
#include <olectl.h>

#include <array>
#include <tuple>

#include "library/product_settings/file_preview_detail.h"
#include "tests/support/test_support.h"

namespace {

struct Answer {
  HRESULT create = S_OK, application = S_OK, noteResult = S_OK;
  LONG openStatus = 0, pictureFrom = 1;  // the first preview call giving a picture; 0: none
  bool noApplication = false, document = true, notes = true, isPicture = true;
} answer;

struct Seen {
  LONG factories = 0, applications = 0, opens = 0, previews = 0, notes = 0, options = -1;
  VARIANT_BOOL readOnly = 0;
  std::wstring key, path;  // the path as long as its BSTR says
  IPicture* picture = nullptr;
} seen;

LONG live = 0;

IPicture* NewPicture() {
  PICTDESC description = {sizeof(description), PICTYPE_BITMAP, {}};
  description.bmp.hbitmap = ::CreateBitmap(3, 2, 1, 32, nullptr);
  IPicture* picture = nullptr;
  ::OleCreatePictureIndirect(&description, IID_IPicture, TRUE, reinterpret_cast<void**>(&picture));
  return picture;
}

ULONG RefCount(IUnknown* object) { return object->AddRef(), object->Release(); }

// One object plays every part: class object, factory, application, document.
class Component final : public IClassFactory,
                        public IQfDocumentFactory,
                        public IQfApplication,
                        public IQfDocumentPreview,
                        public IQfAnnotationPreview {
 public:
  Component() { ++live; }
  ~Component() { --live; }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) *out = static_cast<IClassFactory*>(this);
    if (iid == __uuidof(IQfDocumentFactory)) *out = static_cast<IQfDocumentFactory*>(this);
    if (iid == __uuidof(IQfApplication)) *out = static_cast<IQfApplication*>(this);
    if (iid == __uuidof(IQfDocumentPreview)) *out = static_cast<IQfDocumentPreview*>(this);
    if (iid == __uuidof(IQfAnnotationPreview) && answer.notes) {
      *out = static_cast<IQfAnnotationPreview*>(this);
    }
    if (*out) AddRef();
    return *out ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
    *out = nullptr;
    if (FAILED(answer.create)) return answer.create;
    ++seen.factories;  // the class object serves as the factory too
    return QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE CreateApplication(BSTR key, IQfApplication** application) override {
    seen.key = key;
    ++seen.applications;
    const bool made = SUCCEEDED(answer.application) && !answer.noApplication;
    *application = made ? new Component() : nullptr;
    return answer.application;
  }
  HRESULT STDMETHODCALLTYPE OpenDocument(BSTR path, LONG options, VARIANT_BOOL readOnly,
                                         LONG* status, IUnknown** document) override {
    See(path, seen.opens);
    std::tie(seen.options, seen.readOnly, *status) =
        std::tuple(options, readOnly, answer.openStatus);
    *document = answer.document ? static_cast<IQfDocumentPreview*>(new Component()) : nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPreview(LONG* status, IUnknown** picture) override {
    *status = 0;
    ++seen.previews;
    *picture = answer.pictureFrom && seen.previews >= answer.pictureFrom ? Picture() : nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAnnotationPreview(BSTR path, LONG* status,
                                                 IUnknown** picture) override {
    See(path, seen.notes);
    *status = 0;
    *picture = Picture();
    return answer.noteResult;
  }

 private:
  static IUnknown* Picture() {
    if (!answer.isPicture) return static_cast<IClassFactory*>(new Component());
    return seen.picture = NewPicture();
  }
  static void See(BSTR path, LONG& calls) {
    ++calls;
    seen.path.assign(path, ::SysStringLen(path));
  }
  ULONG refs_ = 1;
};

}  // namespace

// A failure to make the application keeps nothing, so the next call makes the
// factory afresh; the one made (case 3) is kept for every later call.
TEST(FilePreview, AnswersOfTheComponentAndTheEightAnnotationExtensionsInAnyCase) {
  const fw::com_init com;
  ASSERT_TRUE(SUCCEEDED(com.result()));
  DWORD cookie = 0;
  IClassFactory* const classObject = new Component();
  ASSERT_EQ(::CoRegisterClassObject(CLSID_QfDocumentFactory, classObject, CLSCTX_INPROC_SERVER,
                                    REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  classObject->Release();
  fw::com_ptr<IQfApplication> application;
  fw::com_ptr<IPicture> picture;
  const wchar_t* const exts[] = {L".qlfweldfvt",  L".qlfsffvt",    L".qlfgtolfvt",
                                 L".qlfnotestl",  L".qlfgtolstl",  L".QlfSfStl",
                                 L".qlfWELDstl",  L".qlfnotefvt",  L"",
                                 L".qlfnote",     L".qlfnotestlx", L"qlfnotestl",
                                 L".qlfnotestl ", nullptr};
  for (const wchar_t* const& ext : exts)
    EXPECT_EQ(vxlib::detail::IsAnnotationExtension(ext), &ext < exts + 8) << &ext - exts;
  enum Picture { Callers, Components, None };
  const HRESULT noLicence = static_cast<HRESULT>(0x8004AB02);
  const wchar_t *const doc = L"C:\\d.qlfprt", *const note = L"C:\\n\\Sheet1.QLFNOTESTL";
  // The component's answer, the path, the result, whose picture is left, then the calls.
  const std::tuple<Answer, const wchar_t*, HRESULT, Picture, LONG, LONG, LONG> cases[] = {
      {Answer{.create = noLicence}, doc, noLicence, Callers, 0, 0, 0},
      {Answer{.application = noLicence}, doc, noLicence, Callers, 0, 0, 0},
      {Answer{.noApplication = true}, doc, S_OK, Callers, 0, 0, 0},  // yet no error
      {Answer{.pictureFrom = 2}, doc, S_OK, Components, 1, 2, 0},
      {Answer{.pictureFrom = 0}, doc, E_FAIL, Callers, 1, 2, 0},
      {Answer{.openStatus = 1}, doc, S_OK, Callers, 1, 0, 0},
      {Answer{.document = false}, doc, E_FAIL, Callers, 1, 0, 0},
      {Answer{.isPicture = false}, doc, S_OK, None, 1, 1, 0},
      {Answer{}, L"C:\\models.qlfnotestl\\bracket", S_OK, Components, 1, 1, 0},
      {Answer{}, note, S_OK, Components, 0, 0, 1},
      {Answer{.noteResult = S_FALSE}, L"C:\\w.qlfweldfvt", E_FAIL, Callers, 0, 0, 1},
      {Answer{.notes = false}, note, E_FAIL, Callers, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const auto i = &c - cases;
    const auto& [given, path, result, left, opens, previews, notes] = c;
    SCOPED_TRACE(i);
    answer = given;
    seen = {};
    fw::com_ptr<IPicture> before;
    picture.attach(NewPicture());
    picture.query_to(before);
    EXPECT_EQ(GetFilePreview(path, application, picture), result);
    EXPECT_EQ(picture.get(), (std::array<IPicture*, 3>{before.get(), seen.picture, nullptr}[left]));
    EXPECT_EQ(RefCount(before.get()), left == Callers ? 2u : 1u);  // or released
    EXPECT_EQ(picture && left != Callers ? RefCount(picture.get()) : 1u, 1u);
    const bool makes = i >= 1 && i <= 3;
    EXPECT_EQ(std::tuple(seen.factories, seen.applications, seen.key, seen.options, seen.readOnly),
              std::tuple(makes, makes, makes ? L"Vx.PreviewClient.1" : L"", opens ? 0 : -1,
                         opens ? VARIANT_TRUE : 0));
    EXPECT_EQ(std::tuple(seen.opens, seen.previews, seen.notes, seen.path),
              std::tuple(opens, previews, notes, opens + notes ? path : L""));
    picture.reset();
    EXPECT_EQ(live, application ? 2 : 1) << "the class object and the application only";
    EXPECT_EQ(!application, i < 3);
  }
  application.reset();
  ::CoRevokeClassObject(cookie);
  EXPECT_EQ(live, 0) << "the routine left component objects alive";
}
