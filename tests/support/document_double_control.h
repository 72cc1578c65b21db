#pragma once
// What the tests and the document component double share: how the double
// is told what to answer, and what it records. The double's exports take
// and fill these records.

#include <windows.h>
#include <oleauto.h>

struct QfDoubleBehaviour {
  HRESULT createInstanceResult = S_OK;     // the class object's CreateInstance
  HRESULT createApplicationResult = S_OK;  // the factory's CreateApplication
  bool applicationNull = false;            // CreateApplication gives no application
  LONG openStatus = 0;                     // OpenDocument's status output
  bool openGivesDocument = true;
  bool documentOffersPreview = true;
  LONG previewPictureFromCall = 1;  // the GetPreview call that first gives a picture; 0 never
  bool applicationOffersAnnotations = true;
  HRESULT annotationResult = S_OK;  // GetAnnotationPreview's result
  bool annotationGivesPicture = true;
  bool pictureOffersIPicture = true;
};

struct QfDoubleRecord {
  LONG liveObjects = 0;  // factories, applications, documents, pictures not yet released
  LONG factoriesCreated = 0;
  LONG applicationCalls = 0;
  LONG openCalls = 0;
  LONG previewCalls = 0;
  LONG annotationCalls = 0;
  LONG lastOpenOptions = -1;
  VARIANT_BOOL lastOpenReadOnly = 0;
  wchar_t lastClientKey[128] = {};
  wchar_t lastPath[512] = {};
  UINT lastPathUnits = 0;  // the BSTR's own length
};

// The double's exports (see qf_document_double.def).
using QfDoubleConfigureFn = void(WINAPI*)(const QfDoubleBehaviour*);  // also clears the counts
using QfDoubleGetRecordFn = void(WINAPI*)(QfDoubleRecord*);
using QfDoubleLiveObjectsFn = LONG(WINAPI*)();

inline constexpr wchar_t kQfDoubleDll[] = L"qf_document_double.dll";
