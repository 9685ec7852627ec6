// The one parser that takes bytes straight from a socket, in the library and
// in the simulator alike. Whatever a peer sends, in whatever pieces, the
// reader hands out only messages that were sent whole, keeps no more than a
// few messages' worth of bytes, and once out of step stays so.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/linkwire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    // The first byte sets how the rest arrives: 1 to 256 bytes per read.
    const size_t piece = static_cast<size_t>(data[0]) + 1;
    const std::span<const uint8_t> stream(data + 1, size - 1);

    TLinkReader reader;
    std::vector<uint8_t> again;
    for (size_t at = 0; at < stream.size(); at += piece) {
        reader.Feed(stream.subspan(at, std::min(piece, stream.size() - at)));
        while (auto m = reader.Next()) {
            if (m->body.size() + 1 > kMaxLinkMessage) __builtin_trap();
            const auto bytes = EncodeLink(m->type, m->body);
            again.insert(again.end(), bytes.begin(), bytes.end());
        }
        // One read's worth beside a message not yet whole, rounded up by
        // the vector's growth.
        if (reader.Capacity() > 4 * (piece + 2 + kMaxLinkMessage) + 4096) __builtin_trap();
    }
    // What was handed out is exactly what was sent, in order.
    if (again.size() > stream.size() || !std::equal(again.begin(), again.end(), stream.begin()))
        __builtin_trap();
    if (reader.Broken()) {
        reader.Feed(stream);
        if (reader.Next()) __builtin_trap();
    }
    return 0;
}
