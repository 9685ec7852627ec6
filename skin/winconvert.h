// TLZH: the LZHUF codec (LZSS over a 4096-byte ring, adaptive Huffman for
// literals and lengths, fixed prefix table for positions), and the packed
// stream form used by skin packages and packed ini files: a 4-byte
// little-endian unpacked size followed by the bit stream.
#pragma once

#include <cstdint>

#include "framework/classes.h"
#include "framework/sysutils.h"

class ElzhException : public Exception {
    using Exception::Exception;
};

// Packs the whole of source (from its start) into dest (from its start):
// size prefix, then the bit stream.
void Compress(TStream& source, TStream& dest);
// Unpacks a packed stream (from its start) into dest (from its start); dest
// is left positioned at its end. Raises ElzhException for a stream whose size
// prefix it could not possibly encode.
void Decompress(TStream& source, TStream& dest);

// (TLZH class declaration follows; written with the codec.)
