#pragma once
// The decisions of the file preview, apart from the COM calls.

#include <string>

namespace vxlib::detail {

// True for the extensions of annotation files (".qlfnotestl" and its
// kin), compared without regard to case. ext is what PathFindExtensionW
// gives: from the last dot of the last path element, or empty.
bool IsAnnotationExtension(const wchar_t* ext);

// The text that identifies this program to the document component's
// factory, unscrambled from the table the program carries.
std::wstring DocumentClientKey();

}  // namespace vxlib::detail
