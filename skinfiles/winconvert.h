// TLZH: the LZHUF codec (LZSS over a 4096-byte ring, adaptive Huffman for
// literals and lengths, fixed prefix table for positions), and the packed
// stream form used by skin packages and packed ini files: a 4-byte
// little-endian unpacked size followed by the bit stream.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "runtime/classes.h"
#include "runtime/sysutils.h"

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

// How an unpacking run met the end of its input. The decoder reads zero bits
// past the end until it has produced the size the prefix claims, so a stream
// cut short still unpacks to full length; a reader that must tell a whole
// stream from a cut one looks here.
struct TUnpackEnd {
    // Bytes asked for after the input had none left. A whole stream's bit
    // look-ahead costs at most one or two.
    int64_t ReadPastEnd = 0;
    // Unpacked bytes produced before the first of those reads; -1 for none,
    // or when the run wrote through a sink of the caller's.
    int64_t UnpackedBeforeEnd = -1;
};
void Decompress(TStream& source, TStream& dest, TUnpackEnd& end);

// Byte source and sink of a run. The codec always asks for one byte. A source
// answers actual 0 at the end of its data; while unpacking, any actual other
// than 1 reads as a zero byte.
using TLZHGetBytes = std::function<void(void* buffer, uint16_t count, uint16_t& actual)>;
using TLZHPutBytes = std::function<void(const void* buffer, uint16_t count, uint16_t& actual)>;

// One object serves one pack or unpack run. The tables live only for the
// duration of a run.
class TLZH {
public:
    TLZH() = default;
    ~TLZH();
    TLZH(const TLZH&) = delete;
    TLZH& operator=(const TLZH&) = delete;

    // Packs everything getBytes yields; written is the number of input bytes.
    void LZHPack(int32_t& written, const TLZHGetBytes& getBytes, const TLZHPutBytes& putBytes);
    // Unpacks until exactly size bytes have gone to putBytes (nothing when
    // size <= 0).
    void LZHUnpack(int32_t size, const TLZHGetBytes& getBytes, const TLZHPutBytes& putBytes);

    // The object's own source and sink over SourceStream and DestStream. They
    // buffer internally; the streams reach their exact contents and positions
    // when a run ends.
    void GetBlockStream(void* buffer, uint16_t count, uint16_t& actual);
    void PutBlockStream(const void* buffer, uint16_t count, uint16_t& actual);
    // The two above as callbacks for LZHPack/LZHUnpack.
    TLZHGetBytes BlockSource() { return BlockSourceFn{this}; }
    TLZHPutBytes BlockSink() { return BlockSinkFn{this}; }

    TStream* SourceStream = nullptr;
    TStream* DestStream = nullptr;

    // Times the Huffman tree was rebuilt (its root weight reached the limit)
    // in this object's runs.
    int ReconstCount() const { return reconstCount_; }
    // Of the last unpacking run.
    const TUnpackEnd& UnpackEnd() const { return unpackEnd_; }

protected:
    static constexpr int N = 4096;                     // ring size
    static constexpr int F = 60;                       // longest match
    static constexpr int THRESHOLD = 2;                // matches must be longer than this
    static constexpr int N_CHAR = 256 - THRESHOLD + F; // literals and lengths
    static constexpr int T = N_CHAR * 2 - 1;           // Huffman tree nodes
    static constexpr int R = T - 1;                    // root node
    static constexpr unsigned MAX_FREQ = 0x8000;
    static constexpr int NIL = N; // empty link in the match trees

    void InitLZH();
    void EndLZH();
    void StartHuff();
    void InitTree();
    void InsertNode(int r);
    void DeleteNode(int p);
    void reconst();
    void update(int c);
    void EncodeChar(const TLZHPutBytes& putBytes, unsigned c);
    void EncodePosition(const TLZHPutBytes& putBytes, unsigned c);
    void EncodeEnd(const TLZHPutBytes& putBytes);
    void Putcode(const TLZHPutBytes& putBytes, int l, unsigned c);
    int DecodeChar(const TLZHGetBytes& getBytes);
    int DecodePosition(const TLZHGetBytes& getBytes);
    int GetBit(const TLZHGetBytes& getBytes);
    int GetByte(const TLZHGetBytes& getBytes);

private:
    struct BlockSourceFn {
        TLZH* self;
        void operator()(void* b, uint16_t c, uint16_t& a) const { self->GetBlockStream(b, c, a); }
    };
    struct BlockSinkFn {
        TLZH* self;
        void operator()(const void* b, uint16_t c, uint16_t& a) const { self->PutBlockStream(b, c, a); }
    };

    // All per-run state in one block; value-initialised, so the ring bytes
    // no input has written yet read as zero.
    struct Tables {
        uint8_t text_buf[N + F - 1];
        int16_t lson[N + 1];
        int16_t dad[N + 1];
        int16_t rson[N + 257];
        uint16_t freq[T + 1];
        int16_t prnt[T + N_CHAR + 1]; // one spare entry, see update
        int16_t son[T];
    };

    void NoteCallbacks(const TLZHGetBytes& getBytes, const TLZHPutBytes& putBytes);
    bool ReadByte(const TLZHGetBytes& getBytes, uint8_t& b);
    void FillByte(const TLZHGetBytes& getBytes);
    void EmitByte(const TLZHPutBytes& putBytes, uint8_t b);
    void GetBlockStreamSlow(uint8_t* buffer, uint16_t count, uint16_t& actual);
    void FlushDest();
    // Gives back unread look-ahead to SourceStream and writes pending output
    // to DestStream.
    void SettleBlockStreams();

    std::unique_ptr<Tables> t_;
    int16_t match_position = 0;
    int16_t match_length = 0;
    uint16_t getbuf = 0;
    uint8_t getlen = 0;
    uint16_t putbuf = 0;
    uint8_t putlen = 0;
    int32_t textsize = 0;
    int reconstCount_ = 0;
    TUnpackEnd unpackEnd_;
    int64_t destStart_ = -1; // DestStream's position when an unpacking run began
    bool ownSource_ = false;
    bool ownSink_ = false;

    std::vector<uint8_t> inBlock_;
    size_t inPos_ = 0;
    size_t inEnd_ = 0;
    std::vector<uint8_t> outBlock_;
    size_t outLen_ = 0;
};
