// Arbitrary bytes as a packed stream must unpack or be refused, never crash
// or run away; the same bytes as plain input must survive a round trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "skinfiles/winconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        TMemoryStream packed, out;
        packed.WriteBuffer(data, static_cast<int64_t>(size));
        try {
            Decompress(packed, out);
        } catch (const ElzhException&) {
        }
    }
    {
        TMemoryStream plain, packed, out;
        plain.WriteBuffer(data, static_cast<int64_t>(size));
        Compress(plain, packed);
        Decompress(packed, out);
        if (out.GetSize() != static_cast<int64_t>(size) ||
            (size && std::memcmp(out.Memory(), data, size) != 0))
            std::abort();
    }
    return 0;
}
