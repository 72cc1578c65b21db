#pragma once
// Shell, file-version and launch utilities of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Elevated launch of ElevatedTasks -------------------------------------

// ---- File version information ---------------------------------------------

// ---- OEM branding ----------------------------------------------------------

// ---- Product user folders --------------------------------------------------

// ---- Shell operations ------------------------------------------------------
