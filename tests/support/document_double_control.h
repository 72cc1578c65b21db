#pragma once
// Shared by the document component double and its tests: the test loads the
// same DLL that COM loads and reaches its state through QfDoubleControl.

#include <windows.h>
#include <oleauto.h>

struct QfDoubleBehaviour {  // members in the order designated initializers need
  HRESULT createInstanceResult = S_OK, createApplicationResult = S_OK;
  bool applicationNull = false;
  LONG openStatus = 0;
  bool openGivesDocument = true;
  LONG previewPictureFromCall = 1;  // 0: never
  bool applicationOffersAnnotations = true;
  HRESULT annotationResult = S_OK;
  bool pictureOffersIPicture = true;
};

struct QfDoubleRecord {
  LONG factoriesCreated = 0, applicationCalls = 0, openCalls = 0, previewCalls = 0,
       annotationCalls = 0, lastOpenOptions = -1;
  VARIANT_BOOL lastOpenReadOnly = 0;
  wchar_t lastClientKey[128] = {}, lastPath[512] = {};
  UINT lastPathUnits = 0;  // the BSTR's own length
};

struct QfDoubleState {
  QfDoubleBehaviour answer;
  QfDoubleRecord seen;
  LONG liveObjects = 0;  // factories, applications, documents, pictures
};

using QfDoubleControlFn = QfDoubleState*(WINAPI*)();
