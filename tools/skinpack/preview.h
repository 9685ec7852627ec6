// skinpack's preview: one PNG of a sample drawn in a skin. It draws through
// the skin engine's image routines, so it exists only in the Windows build.
#pragma once

#include <string>

#include "skinfiles/skincheck.h"

// Draws the sample in the skin of files and writes it to out as a PNG.
// Raises Exception on anything that keeps it from drawing or writing; out is
// then left as it was, never half written.
void WritePreview(const TSkinFiles& files, const std::string& out);
