// Previews through the document component double, a real in-process COM
// server registered for the test; every test ends with none of the double's
// objects alive.

#include "library/product_settings/product_settings.h"

#include <gtest/gtest.h>

#include <olectl.h>
#include <shlwapi.h>

#include "library/product_settings/file_preview_detail.h"
#include "tests/support/document_component_support.h"
#include "tests/support/test_support.h"

using vxlib::detail::IsAnnotationExtension;

namespace {

ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// A picture of the caller's own, to see whether the routine touched it.
fw::com_ptr<IPicture> CallersPicture() {
  PICTDESC description = {};
  description.cbSizeofstruct = sizeof(description);
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = ::CreateBitmap(5, 5, 1, 32, nullptr);
  fw::com_ptr<IPicture> picture;
  ::OleCreatePictureIndirect(&description, IID_IPicture, TRUE, picture.put_void());
  return picture;
}

// The double's pictures are 3 x 2 pixels.
bool IsDoublesPicture(IPicture* picture) {
  OLE_HANDLE handle = 0;
  if (!picture || FAILED(picture->get_Handle(&handle))) return false;
  BITMAP bitmap = {};
  return ::GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof(bitmap),
                      &bitmap) != 0 &&
         bitmap.bmWidth == 3 && bitmap.bmHeight == 2;
}

class FilePreview : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.result()));
    ASSERT_TRUE(component_.ok());
  }
  void TearDown() override {
    application_.reset();
    picture_.reset();
    EXPECT_EQ(component_.LiveObjects(), 0) << "the routine left component objects alive";
  }
  void Answer(const QfDoubleBehaviour& behaviour) { component_.Configure(behaviour); }
  HRESULT Preview(const std::wstring& path) { return GetFilePreview(path, application_, picture_); }

  fw::com_init com_;
  vxtest::ScopedDocumentComponent component_;
  fw::com_ptr<IQfApplication> application_;
  fw::com_ptr<IPicture> picture_;
};

}  // namespace

TEST(AnnotationExtension, TheEightInAnyCaseAndNothingElse) {
  for (const wchar_t* ext :
       {L".qlfweldfvt", L".qlfsffvt", L".qlfgtolfvt", L".qlfnotestl", L".qlfgtolstl", L".qlfsfstl",
        L".qlfweldstl", L".qlfnotefvt", L".QLFNOTESTL", L".QlfSfStl", L".qlfWELDfvt"}) {
    EXPECT_TRUE(IsAnnotationExtension(ext)) << vxtest::WideToUtf8(ext);
  }
  for (const wchar_t* ext : {L"", L".", L".qlfnote", L".qlfnotestlx", L"qlfnotestl",
                             L".qlfnotestl ", L".dwg", L".qlfnotestl.bak"}) {
    EXPECT_FALSE(IsAnnotationExtension(ext)) << vxtest::WideToUtf8(ext);
  }
  EXPECT_FALSE(IsAnnotationExtension(nullptr));
}

TEST(AnnotationExtension, OnlyTheLastElementsExtensionCounts) {
  EXPECT_TRUE(IsAnnotationExtension(::PathFindExtensionW(L"C:\\a.b\\weld.qlfweldstl")));
  EXPECT_FALSE(IsAnnotationExtension(::PathFindExtensionW(L"C:\\notes.qlfnotestl\\part")));
  EXPECT_FALSE(IsAnnotationExtension(::PathFindExtensionW(L"C:\\x.qlfnotestl.old")));
}

TEST(DocumentClientKey, UnscramblesToTheKeyTheComponentExpects) {
  EXPECT_EQ(vxlib::detail::DocumentClientKey(), L"Vx.PreviewClient.1");
}

TEST_F(FilePreview, DocumentGivesThePictureOfTheFirstPreviewCall) {
  const std::wstring path = L"C:\\models\\bracket.qlfprt";
  ASSERT_EQ(Preview(path), S_OK);
  ASSERT_TRUE(picture_);
  EXPECT_TRUE(IsDoublesPicture(picture_.get()));
  EXPECT_EQ(RefCount(picture_.get()), 1u) << "the caller holds the only reference";
  EXPECT_TRUE(application_);

  const QfDoubleRecord record = component_.Record();
  EXPECT_EQ(record.factoriesCreated, 1);
  EXPECT_EQ(record.applicationCalls, 1);
  EXPECT_STREQ(record.lastClientKey, L"Vx.PreviewClient.1");
  EXPECT_EQ(record.openCalls, 1);
  EXPECT_STREQ(record.lastPath, path.c_str());
  EXPECT_EQ(record.lastPathUnits, path.size());
  EXPECT_EQ(record.lastOpenOptions, 0);
  EXPECT_EQ(record.lastOpenReadOnly, VARIANT_TRUE);
  EXPECT_EQ(record.previewCalls, 1) << "no second call after a picture";
  EXPECT_EQ(record.annotationCalls, 0);
}

TEST_F(FilePreview, ApplicationIsCreatedOnceAndKept) {
  ASSERT_EQ(Preview(L"C:\\a.qlfprt"), S_OK);
  IQfApplication* const first = application_.get();
  fw::com_ptr<IPicture> firstPicture = std::move(picture_);
  ASSERT_EQ(Preview(L"C:\\b.qlfasm"), S_OK);
  EXPECT_EQ(application_.get(), first);
  const QfDoubleRecord record = component_.Record();
  EXPECT_EQ(record.factoriesCreated, 1);
  EXPECT_EQ(record.applicationCalls, 1);
  EXPECT_EQ(record.openCalls, 2);
}

TEST_F(FilePreview, SecondPreviewCallOnlyWhenTheFirstGaveNothing) {
  QfDoubleBehaviour behaviour;
  behaviour.previewPictureFromCall = 2;
  Answer(behaviour);
  ASSERT_EQ(Preview(L"C:\\slow.qlfdrw"), S_OK);
  EXPECT_TRUE(IsDoublesPicture(picture_.get()));
  EXPECT_EQ(component_.Record().previewCalls, 2);
}

TEST_F(FilePreview, NoPictureFromEitherCallFailsAndKeepsTheCallersPicture) {
  QfDoubleBehaviour behaviour;
  behaviour.previewPictureFromCall = 0;
  Answer(behaviour);
  picture_ = CallersPicture();
  IPicture* const before = picture_.get();
  EXPECT_EQ(Preview(L"C:\\empty.qlfprt"), E_FAIL);
  EXPECT_EQ(picture_.get(), before);
  EXPECT_EQ(RefCount(before), 1u);
  EXPECT_EQ(component_.Record().previewCalls, 2);
}

TEST_F(FilePreview, RefusedDocumentIsNoFailureAndLeavesThePictureAlone) {
  for (LONG status : {1L, -1L, 0x7FFFFFFFL}) {
    QfDoubleBehaviour behaviour;
    behaviour.openStatus = status;
    Answer(behaviour);
    picture_ = CallersPicture();
    IPicture* const before = picture_.get();
    EXPECT_EQ(Preview(L"C:\\locked.qlfprt"), S_OK) << status;
    EXPECT_EQ(picture_.get(), before);
    EXPECT_EQ(RefCount(before), 1u);
    EXPECT_EQ(component_.Record().previewCalls, 0);
    EXPECT_EQ(component_.LiveObjects(), 1) << "only the application; the document is released";
  }
}

TEST_F(FilePreview, NothingToPreviewGivesEFail) {
  QfDoubleBehaviour noDocument;
  noDocument.openGivesDocument = false;
  QfDoubleBehaviour noPreviewInterface;
  noPreviewInterface.documentOffersPreview = false;
  for (const QfDoubleBehaviour& behaviour : {noDocument, noPreviewInterface}) {
    Answer(behaviour);
    EXPECT_EQ(Preview(L"C:\\x.qlfprt"), E_FAIL);
    EXPECT_FALSE(picture_);
    EXPECT_EQ(component_.Record().previewCalls, 0);
    EXPECT_EQ(component_.LiveObjects(), 1);
  }
}

TEST_F(FilePreview, PathWithoutExtensionIsOpenedAsDocument) {
  ASSERT_EQ(Preview(L"C:\\models.qlfnotestl\\bracket"), S_OK);
  EXPECT_EQ(component_.Record().openCalls, 1);
  EXPECT_EQ(component_.Record().annotationCalls, 0);
}

TEST_F(FilePreview, AnnotationFileTakesTheAnnotationCallInAnyCase) {
  const std::wstring path = L"C:\\notes\\Sheet1.QLFNOTESTL";
  ASSERT_EQ(Preview(path), S_OK);
  EXPECT_TRUE(IsDoublesPicture(picture_.get()));
  EXPECT_EQ(RefCount(picture_.get()), 1u);
  const QfDoubleRecord record = component_.Record();
  EXPECT_EQ(record.annotationCalls, 1);
  EXPECT_EQ(record.openCalls, 0);
  EXPECT_STREQ(record.lastPath, path.c_str());
}

TEST_F(FilePreview, AnnotationWithoutPreviewGivesEFail) {
  QfDoubleBehaviour sFalseWithPicture;
  sFalseWithPicture.annotationResult = S_FALSE;
  QfDoubleBehaviour noPicture;
  noPicture.annotationGivesPicture = false;
  QfDoubleBehaviour noInterface;
  noInterface.applicationOffersAnnotations = false;
  for (const QfDoubleBehaviour& behaviour : {sFalseWithPicture, noPicture, noInterface}) {
    Answer(behaviour);
    picture_ = CallersPicture();
    IPicture* const before = picture_.get();
    EXPECT_EQ(Preview(L"C:\\w.qlfweldfvt"), E_FAIL);
    EXPECT_EQ(picture_.get(), before);
    EXPECT_EQ(component_.LiveObjects(), 1);
  }
}

TEST_F(FilePreview, PictureWithoutIPictureGivesNullButSOk) {
  QfDoubleBehaviour behaviour;
  behaviour.pictureOffersIPicture = false;
  Answer(behaviour);
  for (const wchar_t* path : {L"C:\\d.qlfprt", L"C:\\n.qlfsffvt"}) {
    picture_ = CallersPicture();
    EXPECT_EQ(Preview(path), S_OK);
    EXPECT_FALSE(picture_) << "the old picture is replaced by nothing";
  }
}

TEST_F(FilePreview, NewPictureReleasesTheOldOne) {
  fw::com_ptr<IPicture> old = CallersPicture();
  old->AddRef();
  picture_.attach(old.get());
  ASSERT_EQ(Preview(L"C:\\d.qlfprt"), S_OK);
  EXPECT_NE(picture_.get(), old.get());
  EXPECT_EQ(RefCount(old.get()), 1u) << "only the test's own reference is left";
}

TEST_F(FilePreview, ComponentFailuresArePassedOnAndNothingIsKept) {
  const HRESULT refused = static_cast<HRESULT>(0x8004AB01);
  QfDoubleBehaviour creation;
  creation.createInstanceResult = refused;
  Answer(creation);
  EXPECT_EQ(Preview(L"C:\\d.qlfprt"), refused);
  EXPECT_FALSE(application_);

  const HRESULT noLicence = static_cast<HRESULT>(0x8004AB02);
  QfDoubleBehaviour start;
  start.createApplicationResult = noLicence;
  Answer(start);
  EXPECT_EQ(Preview(L"C:\\d.qlfprt"), noLicence);
  EXPECT_FALSE(application_);
  EXPECT_EQ(component_.Record().factoriesCreated, 1);
  EXPECT_EQ(component_.Record().openCalls, 0);
  EXPECT_FALSE(picture_);
}

// A component that starts without error but gives no application: its
// result, a success, is passed on and nothing is opened.
TEST_F(FilePreview, ApplicationCallWithoutApplicationPassesItsResultOn) {
  QfDoubleBehaviour behaviour;
  behaviour.applicationNull = true;
  Answer(behaviour);
  EXPECT_EQ(Preview(L"C:\\d.qlfprt"), S_OK);
  EXPECT_FALSE(application_);
  EXPECT_FALSE(picture_);
  EXPECT_EQ(component_.Record().openCalls, 0);
  EXPECT_EQ(Preview(L"C:\\d.qlfprt"), S_OK);
  EXPECT_EQ(component_.Record().factoriesCreated, 2) << "tried again, as nothing was kept";
}

TEST(FilePreviewUnregistered, MissingComponentGivesClassNotRegistered) {
  fw::com_init com;
  vxtest::DeleteTree(HKEY_LOCAL_MACHINE, vxtest::DocumentComponentClassKey());
  fw::com_ptr<IQfApplication> application;
  fw::com_ptr<IPicture> picture;
  EXPECT_EQ(GetFilePreview(L"C:\\d.qlfprt", application, picture), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(application);
}
