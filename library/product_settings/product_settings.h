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
