// Arbitrary bytes into the package reader. The first byte picks the mode:
// even, the rest is a packed package as stored; odd, the rest is an unpacked
// package, packed here first so that the index checks see well-formed bit
// streams with hostile content. Either way every listed file is read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/classes.h"
#include "skinfiles/skinread.h"
#include "skinfiles/winconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    TMemoryStream input;
    input.WriteBuffer(data + 1, static_cast<int64_t>(size - 1));

    TMemoryStream packed;
    if (data[0] & 1)
        Compress(input, packed);
    else
        packed.LoadFromStream(input);

    TSkinReader reader;
    if (!reader.Loadfromstream(packed)) {
        if (reader.LastError.empty() || reader.FileCount() != 0) std::abort();
        return 0;
    }

    TMemoryStream out;
    std::string name;
    reader.readIni(".ini", out, name);
    int64_t total = 0;
    for (int i = 0; i < reader.FileCount(); ++i) {
        reader.readfile(reader.FileName(i), out);
        // A name read twice gives the first file of that name, so only
        // the first occurrence must match its own size.
        if (reader.IndexOfFile(reader.FileName(i)) == i && out.GetSize() != reader.FileSize(i)) std::abort();
        total += reader.FileSize(i);
    }
    if (total > static_cast<int64_t>(reader.DataBlock().Bytes().size())) std::abort();
    return 0;
}
