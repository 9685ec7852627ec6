// PNG files out, without GDI or a library: pictures that people and CI
// pages open directly. Only writing; nothing here parses outside data.
// Portable: no <windows.h>.
#pragma once

#include "runtime/bmpcodec.h"
#include "runtime/classes.h"

// Writes image as an 8-bit RGB PNG (alpha dropped) at the stream's position.
// The data is deflated with the fixed codes and LZ77 matches, which is all
// a flat-coloured user-interface picture needs to come out small. Raises
// EInvalidGraphic for an image whose size does not match its pixels.
void EncodePng(const TBmpImage& image, TStream& stream);
