#pragma once
// Product settings and platform integration of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Desktop launcher command line -----------------------------------------

// ---- Platform web address --------------------------------------------------

// ---- Window placement setting ----------------------------------------------

// ---- Registry value access -------------------------------------------------

// ---- Product installation and environment queries --------------------------

// ---- Document and annotation file preview ----------------------------------

#include <ocidl.h>

#include "framework/handles.h"
#include "library/product_settings/document_component.h"

// The preview picture of a CAD document or an annotation file (chosen by the
// file's extension) through the document component. The caller initialises
// COM on this thread. application is created on first use and left set for
// later calls; the caller releases it when done. On S_OK, picture holds the
// preview (or null when the component's picture is not an IPicture), its
// old value released. Returns S_OK also when the component reports that the
// document cannot be opened: picture is then untouched. E_FAIL when no
// preview was obtained; the component's own failure code when it cannot be
// created or started. Throws std::bad_alloc only.
HRESULT GetFilePreview(const std::wstring& path, fw::com_ptr<IQfApplication>& application,
                       fw::com_ptr<IPicture>& picture);
