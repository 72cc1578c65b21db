// The document component double is registered under the machine's classes:
// Wine reads class registrations from there only.

#include "library/product_settings/product_settings.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <tuple>

#include "library/product_settings/file_preview_detail.h"
#include "tests/support/document_double_control.h"
#include "tests/support/test_support.h"

using vxlib::detail::IsAnnotationExtension;

namespace {

std::wstring ClassKey() {
  wchar_t clsid[64] = {};
  ::StringFromGUID2(CLSID_QfDocumentFactory, clsid, 64);
  return std::wstring(L"Software\\Classes\\CLSID\\") + clsid;
}

ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

fw::com_ptr<IPicture> CallersPicture() {
  PICTDESC description = {sizeof(description), PICTYPE_BITMAP, {}};
  description.bmp.hbitmap = ::CreateBitmap(5, 5, 1, 32, nullptr);
  fw::com_ptr<IPicture> picture;
  ::OleCreatePictureIndirect(&description, IID_IPicture, TRUE, picture.put_void());
  return picture;
}

// The double's pictures are 3 x 2 pixels.
bool IsDoublesPicture(IPicture* picture) {
  OLE_HANDLE handle = 0;
  BITMAP bitmap = {};
  return picture && SUCCEEDED(picture->get_Handle(&handle)) &&
         ::GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof(bitmap),
                      &bitmap) != 0 &&
         bitmap.bmWidth == 3 && bitmap.bmHeight == 2;
}

class FilePreview : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.result()));
    const std::wstring dll = vxtest::BinPath(L"qf_document_double.dll");
    ASSERT_TRUE(vxtest::SetText(HKEY_LOCAL_MACHINE, ClassKey() + L"\\InprocServer32", L"", dll));
    ASSERT_TRUE(vxtest::SetText(HKEY_LOCAL_MACHINE, ClassKey() + L"\\InprocServer32",
                                L"ThreadingModel", L"Both"));
    module_.reset(::LoadLibraryW(dll.c_str()));  // the module COM loads: the same state
    const auto control = reinterpret_cast<QfDoubleControlFn>(
        reinterpret_cast<void*>(::GetProcAddress(module_.get(), "QfDoubleControl")));
    ASSERT_TRUE(control);
    double_ = control();
    Answer(QfDoubleBehaviour{});
  }
  void TearDown() override {
    application_.reset();
    picture_.reset();
    EXPECT_EQ(double_ ? double_->liveObjects : 0, 0) << "the routine left component objects alive";
  }
  void Answer(const QfDoubleBehaviour& behaviour) {
    double_->answer = behaviour;
    double_->seen = QfDoubleRecord{};
  }
  HRESULT Preview(const std::wstring& path) { return GetFilePreview(path, application_, picture_); }
  const QfDoubleRecord& Seen() const { return double_->seen; }

  fw::com_init com_;
  vxtest::ScratchKey registration_{HKEY_LOCAL_MACHINE, ClassKey()};
  fw::unique_hmodule module_;
  QfDoubleState* double_ = nullptr;
  fw::com_ptr<IQfApplication> application_;
  fw::com_ptr<IPicture> picture_;
};

}  // namespace

TEST(AnnotationExtension, TheEightInAnyCaseAndNothingElse) {
  for (const wchar_t* ext : {L".qlfweldfvt", L".qlfsffvt", L".qlfgtolfvt", L".qlfnotestl",
                             L".qlfgtolstl", L".QlfSfStl", L".qlfWELDstl", L".qlfnotefvt"}) {
    EXPECT_TRUE(IsAnnotationExtension(ext)) << vxtest::WideToUtf8(ext);
  }
  for (const wchar_t* ext : {L"", L".qlfnote", L".qlfnotestlx", L"qlfnotestl", L".qlfnotestl "}) {
    EXPECT_FALSE(IsAnnotationExtension(ext)) << vxtest::WideToUtf8(ext);
  }
  EXPECT_FALSE(IsAnnotationExtension(nullptr));
}

// Failures of the component are passed on and nothing is kept, so that the
// first call that succeeds creates the factory afresh.
TEST_F(FilePreview, FailuresThenADocumentPictureAndTheApplicationKeptAcrossCalls) {
  const HRESULT noLicence = static_cast<HRESULT>(0x8004AB02);
  for (const auto& answer : {QfDoubleBehaviour{.createInstanceResult = noLicence},
                             QfDoubleBehaviour{.createApplicationResult = noLicence},
                             QfDoubleBehaviour{.applicationNull = true}}) {  // yet no error
    Answer(answer);
    picture_ = CallersPicture();
    IPicture* const before = picture_.get();
    EXPECT_EQ(Preview(L"C:\\d.qlfprt"), answer.applicationNull ? S_OK : noLicence);
    EXPECT_TRUE(!application_ && picture_.get() == before && Seen().openCalls == 0);
  }
  Answer(QfDoubleBehaviour{});
  const std::wstring path = L"C:\\models\\bracket.qlfprt";
  fw::com_ptr<IPicture> old = CallersPicture();
  old->AddRef();
  picture_.attach(old.get());
  ASSERT_EQ(Preview(path), S_OK);
  EXPECT_TRUE(IsDoublesPicture(picture_.get()));
  EXPECT_EQ(RefCount(picture_.get()), 1u) << "the caller holds the only reference";
  EXPECT_EQ(RefCount(old.get()), 1u) << "the old picture is released";
  const QfDoubleRecord& seen = Seen();
  EXPECT_EQ(std::tuple(seen.factoriesCreated, seen.applicationCalls, seen.openCalls,
                       seen.lastOpenOptions, seen.lastOpenReadOnly, seen.annotationCalls),
            std::tuple(1, 1, 1, 0, VARIANT_TRUE, 0));
  EXPECT_STREQ(seen.lastClientKey, L"Vx.PreviewClient.1");
  EXPECT_STREQ(seen.lastPath, path.c_str());
  EXPECT_EQ(std::tuple(seen.lastPathUnits, seen.previewCalls), std::tuple(path.size(), 1));
  IQfApplication* const first = application_.get();
  ASSERT_EQ(Preview(L"C:\\b.qlfasm"), S_OK);
  EXPECT_EQ(application_.get(), first);
  EXPECT_EQ(std::tuple(seen.factoriesCreated, seen.applicationCalls, seen.openCalls),
            std::tuple(1, 1, 2));
  application_.reset();
  vxtest::DeleteTree(HKEY_LOCAL_MACHINE, ClassKey());
  EXPECT_EQ(Preview(L"C:\\d.qlfprt"), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(application_);
}

// Each case starts with a picture of the caller's own, to see whether the
// routine kept it, replaced it with the double's, or cleared it.
TEST_F(FilePreview, AnswersOfTheComponent) {
  enum Picture { Callers, Doubles, None };
  using B = QfDoubleBehaviour;
  const wchar_t *const doc = L"C:\\d.qlfprt", *const note = L"C:\\n\\Sheet1.QLFNOTESTL";
  const struct {
    B answer;
    const wchar_t* path;
    HRESULT result;
    Picture picture;
    LONG opens, previews, annotations;
  } cases[] = {
      {B{.previewPictureFromCall = 2}, doc, S_OK, Doubles, 1, 2, 0},
      {B{.previewPictureFromCall = 0}, doc, E_FAIL, Callers, 1, 2, 0},
      {B{.openStatus = 1}, doc, S_OK, Callers, 1, 0, 0},
      {B{.openGivesDocument = false}, doc, E_FAIL, Callers, 1, 0, 0},
      {B{.pictureOffersIPicture = false}, doc, S_OK, None, 1, 1, 0},
      {B{}, L"C:\\models.qlfnotestl\\bracket", S_OK, Doubles, 1, 1, 0},
      {B{}, note, S_OK, Doubles, 0, 0, 1},
      {B{.annotationResult = S_FALSE}, L"C:\\w.qlfweldfvt", E_FAIL, Callers, 0, 0, 1},
      {B{.applicationOffersAnnotations = false}, note, E_FAIL, Callers, 0, 0, 0},
      {B{.pictureOffersIPicture = false}, L"C:\\n.qlfsffvt", S_OK, None, 0, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (&c - cases));
    Answer(c.answer);
    picture_ = CallersPicture();
    IPicture* const before = picture_.get();
    EXPECT_EQ(Preview(c.path), c.result);
    EXPECT_EQ(picture_.get() == before ? Callers : picture_ ? Doubles : None, c.picture);
    EXPECT_EQ(IsDoublesPicture(picture_.get()), c.picture == Doubles);
    EXPECT_EQ(picture_ ? RefCount(picture_.get()) : 1u, 1u);
    EXPECT_EQ(std::tuple(Seen().openCalls, Seen().previewCalls, Seen().annotationCalls),
              std::tuple(c.opens, c.previews, c.annotations));
    EXPECT_STREQ(Seen().lastPath, c.opens + c.annotations ? c.path : L"");
    picture_.reset();
    EXPECT_EQ(double_->liveObjects, 1) << "only the application";
  }
}
