#pragma once
// Temporary data and registry value utilities of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Temporary-data statistics ---------------------------------------------

// ---- Temporary folders and folder creation ---------------------------------

// ---- Product settings in the registry --------------------------------------

// ---- .NET Framework installation detection ---------------------------------

// ---- Path strings and file listings ----------------------------------------

// ---- Volume probe, text files and the store database path ------------------
