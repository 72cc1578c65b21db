#pragma once
// File-system and system-description utilities of the diagnostics tool.

#include <windows.h>

#include <string>

#include "framework/text.h"

// ---- Operating-system description ------------------------------------------

// ---- Process identity and the launching product ----------------------------

// ---- Privilege enabling ----------------------------------------------------

// ---- Folder listing, copying and creation ----------------------------------

// ---- Performance-trace file names ------------------------------------------
