#include "skinfiles/winconvert.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>

namespace {

// The upper six bits of a match position go out as a canonical prefix code:
// 1 code of 3 bits, 3 of 4, 8 of 5, 12 of 6, 24 of 7 and 16 of 8. The
// decoder reads a whole byte and looks up which code its top bits begin with.
struct PositionCodes {
    uint8_t p_len[64];
    uint8_t p_code[64];
    uint8_t d_code[256];
    uint8_t d_len[256];
};

constexpr PositionCodes MakePositionCodes()
{
    PositionCodes pc{};
    constexpr int countOfLength[] = {1, 3, 8, 12, 24, 16}; // lengths 3..8
    unsigned code = 0;
    int upper = 0;
    for (int g = 0; g < 6; ++g) {
        const int len = 3 + g;
        for (int n = 0; n < countOfLength[g]; ++n, ++upper) {
            pc.p_len[upper] = static_cast<uint8_t>(len);
            pc.p_code[upper] = static_cast<uint8_t>(code);
            const unsigned span = 1u << (8 - len);
            for (unsigned b = code; b < code + span; ++b) {
                pc.d_code[b] = static_cast<uint8_t>(upper);
                pc.d_len[b] = static_cast<uint8_t>(len);
            }
            code += span;
        }
    }
    return pc;
}

constexpr PositionCodes kPos = MakePositionCodes();
static_assert(kPos.p_code[1] == 0x20 && kPos.p_code[5] == 0x58 && kPos.p_code[63] == 0xFF);

// Read-ahead and write-behind for the block stream callbacks, so that the
// per-byte path does not reach a virtual stream call.
constexpr size_t kBlockSize = 64 * 1024;

// A 60-byte match costs at least a 1-bit length code plus a 9-bit position,
// so no packed byte can stand for more than 48 output bytes.
constexpr int64_t kMaxExpansion = 48;
constexpr int64_t kSizeAllowance = 64;

// Ends a run's table lifetime on every path out of LZHPack/LZHUnpack.
template <class F> struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <class F> ScopeExit(F) -> ScopeExit<F>;

} // namespace

TLZH::~TLZH()
{
    try {
        SettleBlockStreams();
    } catch (...) {
        // A failed run, or block callbacks used outside a run, left output
        // pending; a destructor must not throw over it.
    }
}

// ---------------------------------------------------------------------------
// Run set-up

void TLZH::InitLZH()
{
    try {
        t_ = std::make_unique<Tables>();
    } catch (const std::bad_alloc&) {
        throw ElzhException("LZH : Cannot get memory for dictionary tables");
    }
    getbuf = 0;
    getlen = 0;
    putbuf = 0;
    putlen = 0;
    textsize = 0;
    match_position = 0;
    match_length = 0;
}

void TLZH::EndLZH()
{
    t_.reset();
}

void TLZH::InitTree()
{
    Tables& t = *t_;
    for (int i = N + 1; i <= N + 256; i++)
        t.rson[i] = NIL;
    for (int i = 0; i < N; i++)
        t.dad[i] = NIL;
}

// ---------------------------------------------------------------------------
// Match trees: one binary search tree of ring positions per first byte.

void TLZH::InsertNode(int r)
{
    Tables& t = *t_;
    const uint8_t* key = &t.text_buf[r];
    int cmp = 1;
    int p = N + 1 + key[0];
    t.rson[r] = t.lson[r] = NIL;
    match_length = 0;
    for (;;) {
        if (cmp >= 0) {
            if (t.rson[p] != NIL) {
                p = t.rson[p];
            } else {
                t.rson[p] = static_cast<int16_t>(r);
                t.dad[r] = static_cast<int16_t>(p);
                return;
            }
        } else {
            if (t.lson[p] != NIL) {
                p = t.lson[p];
            } else {
                t.lson[p] = static_cast<int16_t>(r);
                t.dad[r] = static_cast<int16_t>(p);
                return;
            }
        }
        const uint8_t* other = &t.text_buf[p];
        int i = 1;
        // Eight bytes at a time to the first difference; the result is the
        // same as the byte-wise scan.
        for (; i + 8 <= F; i += 8) {
            uint64_t a, b;
            std::memcpy(&a, key + i, 8);
            std::memcpy(&b, other + i, 8);
            if (a != b) break;
        }
        for (; i < F; i++)
            if (key[i] != other[i]) break;
        cmp = i < F ? int(key[i]) - int(other[i]) : 0;
        if (i > THRESHOLD) {
            const int position = ((r - p) & (N - 1)) - 1;
            if (i > match_length) {
                match_position = static_cast<int16_t>(position);
                match_length = static_cast<int16_t>(i);
                if (i >= F) break;
            } else if (i == match_length && position < match_position) {
                match_position = static_cast<int16_t>(position);
            }
        }
    }
    // A full-length match: r replaces p, which leaves the tree, so the tree
    // never holds two identical 60-byte strings.
    t.dad[r] = t.dad[p];
    t.lson[r] = t.lson[p];
    t.rson[r] = t.rson[p];
    t.dad[t.lson[p]] = static_cast<int16_t>(r);
    t.dad[t.rson[p]] = static_cast<int16_t>(r);
    if (t.rson[t.dad[p]] == p)
        t.rson[t.dad[p]] = static_cast<int16_t>(r);
    else
        t.lson[t.dad[p]] = static_cast<int16_t>(r);
    t.dad[p] = NIL;
}

void TLZH::DeleteNode(int p)
{
    Tables& t = *t_;
    if (t.dad[p] == NIL) return;
    int q;
    if (t.rson[p] == NIL) {
        q = t.lson[p];
    } else if (t.lson[p] == NIL) {
        q = t.rson[p];
    } else {
        q = t.lson[p];
        if (t.rson[q] != NIL) {
            do {
                q = t.rson[q];
            } while (t.rson[q] != NIL);
            t.rson[t.dad[q]] = t.lson[q];
            t.dad[t.lson[q]] = t.dad[q];
            t.lson[q] = t.lson[p];
            t.dad[t.lson[p]] = static_cast<int16_t>(q);
        }
        t.rson[q] = t.rson[p];
        t.dad[t.rson[p]] = static_cast<int16_t>(q);
    }
    t.dad[q] = t.dad[p];
    if (t.rson[t.dad[p]] == p)
        t.rson[t.dad[p]] = static_cast<int16_t>(q);
    else
        t.lson[t.dad[p]] = static_cast<int16_t>(q);
    t.dad[p] = NIL;
}

// ---------------------------------------------------------------------------
// Adaptive Huffman code for literals and match lengths. Nodes are kept in
// order of weight; a node's children are son and son + 1.

void TLZH::StartHuff()
{
    Tables& t = *t_;
    for (int i = 0; i < N_CHAR; i++) {
        t.freq[i] = 1;
        t.son[i] = static_cast<int16_t>(i + T);
        t.prnt[i + T] = static_cast<int16_t>(i);
    }
    for (int i = 0, j = N_CHAR; j <= R; i += 2, j++) {
        t.freq[j] = static_cast<uint16_t>(t.freq[i] + t.freq[i + 1]);
        t.son[j] = static_cast<int16_t>(i);
        t.prnt[i] = t.prnt[i + 1] = static_cast<int16_t>(j);
    }
    t.freq[T] = 0xFFFF;
    t.prnt[R] = 0;
}

void TLZH::reconst()
{
    Tables& t = *t_;
    ++reconstCount_;
    int j = 0;
    for (int i = 0; i < T; i++) {
        if (t.son[i] >= T) {
            t.freq[j] = static_cast<uint16_t>((t.freq[i] + 1) / 2);
            t.son[j] = t.son[i];
            j++;
        }
    }
    for (int i = 0, n = N_CHAR; n < T; i += 2, n++) {
        const unsigned f = unsigned(t.freq[i]) + t.freq[i + 1];
        t.freq[n] = static_cast<uint16_t>(f);
        int k = n - 1;
        while (f < t.freq[k])
            k--;
        k++;
        const size_t moved = static_cast<size_t>(n - k);
        std::memmove(&t.freq[k + 1], &t.freq[k], moved * sizeof t.freq[0]);
        t.freq[k] = static_cast<uint16_t>(f);
        std::memmove(&t.son[k + 1], &t.son[k], moved * sizeof t.son[0]);
        t.son[k] = static_cast<int16_t>(i);
    }
    for (int i = 0; i < T; i++) {
        const int k = t.son[i];
        t.prnt[k] = static_cast<int16_t>(i);
        if (k < T) t.prnt[k + 1] = static_cast<int16_t>(i);
    }
}

// Weights ascend with the node index and end in a 0xFFFF sentinel. Returns
// the last index of the run of weights equal to freq[from]. Long runs of
// equal weights are common (every literal starts at 1), so the scan goes
// four entries at a time where it can.
static inline int LastOfRun(const uint16_t* freq, int from)
{
    const uint16_t value = freq[from];
    int l = from;
    if constexpr (std::endian::native == std::endian::little) {
        const uint64_t pattern = 0x0001000100010001ull * value;
        constexpr int kLast = 627; // the sentinel's index
        while (l + 4 <= kLast) {
            uint64_t lanes;
            std::memcpy(&lanes, freq + l + 1, 8);
            const uint64_t diff = lanes ^ pattern;
            if (diff != 0) return l + std::countr_zero(diff) / 16;
            l += 4;
        }
    }
    while (freq[l + 1] == value)
        l++;
    return l;
}

void TLZH::update(int c)
{
    Tables& t = *t_;
    constexpr int kSpare = T + N_CHAR;
    if (t.freq[R] == MAX_FREQ) reconst();
    c = t.prnt[c + T];
    do {
        const unsigned k = ++t.freq[c];
        if (k > t.freq[c + 1]) {
            // Move the node past every lighter one to keep the weight order.
            const int l = LastOfRun(t.freq, c + 1);
            t.freq[c] = t.freq[l];
            t.freq[l] = static_cast<uint16_t>(k);

            // A leaf has one parent entry, an internal node two; the second
            // write of a leaf goes to a spare slot instead of a branch.
            const int i = t.son[c];
            t.prnt[i] = static_cast<int16_t>(l);
            t.prnt[i < T ? i + 1 : kSpare] = static_cast<int16_t>(l);

            const int j = t.son[l];
            t.son[l] = static_cast<int16_t>(i);
            t.prnt[j] = static_cast<int16_t>(c);
            t.prnt[j < T ? j + 1 : kSpare] = static_cast<int16_t>(c);
            t.son[c] = static_cast<int16_t>(j);

            c = l;
        }
    } while ((c = t.prnt[c]) != 0);
}

// ---------------------------------------------------------------------------
// Bit output, most significant bit first.

// When a run is handed the object's own block callbacks, they are called
// directly: same calls, same results, without the type-erased call per byte.
void TLZH::NoteCallbacks(const TLZHGetBytes& getBytes, const TLZHPutBytes& putBytes)
{
    const auto* source = getBytes.target<BlockSourceFn>();
    const auto* sink = putBytes.target<BlockSinkFn>();
    ownSource_ = source != nullptr && source->self == this;
    ownSink_ = sink != nullptr && sink->self == this;
}

inline void TLZH::EmitByte(const TLZHPutBytes& putBytes, uint8_t b)
{
    uint16_t actual = 0;
    if (ownSink_)
        PutBlockStream(&b, 1, actual);
    else
        putBytes(&b, 1, actual);
}

void TLZH::Putcode(const TLZHPutBytes& putBytes, int l, unsigned c)
{
    putbuf = static_cast<uint16_t>(putbuf | (c >> putlen));
    putlen = static_cast<uint8_t>(putlen + l);
    if (putlen >= 8) {
        EmitByte(putBytes, static_cast<uint8_t>(putbuf >> 8));
        putlen = static_cast<uint8_t>(putlen - 8);
        if (putlen >= 8) {
            EmitByte(putBytes, static_cast<uint8_t>(putbuf));
            putlen = static_cast<uint8_t>(putlen - 8);
            putbuf = static_cast<uint16_t>(c << (l - putlen));
        } else {
            putbuf = static_cast<uint16_t>(putbuf << 8);
        }
    }
}

void TLZH::EncodeChar(const TLZHPutBytes& putBytes, unsigned c)
{
    Tables& t = *t_;
    // Collected in 32 bits: a well-skewed tree can be deeper than 16 levels,
    // and a 16-bit code would lose its first bits there.
    uint32_t code = 0;
    int len = 0;
    int k = t.prnt[c + T];
    do {
        code >>= 1;
        if (k & 1) code |= 0x80000000u;
        len++;
    } while ((k = t.prnt[k]) != R);
    if (len <= 16) {
        Putcode(putBytes, len, code >> 16);
    } else {
        Putcode(putBytes, 16, code >> 16);
        Putcode(putBytes, len - 16, code & 0xFFFFu);
    }
    update(static_cast<int>(c));
}

void TLZH::EncodePosition(const TLZHPutBytes& putBytes, unsigned c)
{
    const unsigned upper = c >> 6;
    Putcode(putBytes, kPos.p_len[upper], unsigned(kPos.p_code[upper]) << 8);
    Putcode(putBytes, 6, (c & 0x3F) << 10);
}

void TLZH::EncodeEnd(const TLZHPutBytes& putBytes)
{
    if (putlen) EmitByte(putBytes, static_cast<uint8_t>(putbuf >> 8));
}

// ---------------------------------------------------------------------------
// Bit input. A source that has run dry reads as zero bits.

inline bool TLZH::ReadByte(const TLZHGetBytes& getBytes, uint8_t& b)
{
    uint16_t actual = 0;
    if (ownSource_)
        GetBlockStream(&b, 1, actual);
    else
        getBytes(&b, 1, actual);
    return actual == 1;
}

inline void TLZH::FillByte(const TLZHGetBytes& getBytes)
{
    uint8_t b = 0;
    if (!ReadByte(getBytes, b)) {
        b = 0;
        // Noted here, off the decoding loop's path: this runs only past the end.
        if (unpackEnd_.ReadPastEnd++ == 0 && destStart_ >= 0)
            unpackEnd_.UnpackedBeforeEnd =
                DestStream->GetPosition() + static_cast<int64_t>(outLen_) - destStart_;
    }
    getbuf = static_cast<uint16_t>(getbuf | (unsigned(b) << (8 - getlen)));
    getlen = static_cast<uint8_t>(getlen + 8);
}

int TLZH::GetBit(const TLZHGetBytes& getBytes)
{
    while (getlen <= 8)
        FillByte(getBytes);
    const int bit = getbuf >> 15;
    getbuf = static_cast<uint16_t>(getbuf << 1);
    getlen--;
    return bit;
}

int TLZH::GetByte(const TLZHGetBytes& getBytes)
{
    while (getlen <= 8)
        FillByte(getBytes);
    const int byte = getbuf >> 8;
    getbuf = static_cast<uint16_t>(getbuf << 8);
    getlen = static_cast<uint8_t>(getlen - 8);
    return byte;
}

int TLZH::DecodeChar(const TLZHGetBytes& getBytes)
{
    // GetBit unrolled over local copies of the bit buffer: the source call
    // in the refill would otherwise force the buffer back to memory per bit.
    const int16_t* son = t_->son;
    unsigned buf = getbuf;
    unsigned len = getlen;
    int c = son[R];
    while (c < T) {
        if (len <= 8) {
            getbuf = static_cast<uint16_t>(buf);
            getlen = static_cast<uint8_t>(len);
            while (getlen <= 8)
                FillByte(getBytes);
            buf = getbuf;
            len = getlen;
        }
        c = son[c + ((buf >> 15) & 1)];
        buf = (buf << 1) & 0xFFFF;
        len--;
    }
    getbuf = static_cast<uint16_t>(buf);
    getlen = static_cast<uint8_t>(len);
    c -= T;
    update(c);
    return c;
}

int TLZH::DecodePosition(const TLZHGetBytes& getBytes)
{
    int i = GetByte(getBytes);
    const int upper = kPos.d_code[i] << 6;
    for (int j = kPos.d_len[i] - 2; j > 0; j--)
        i = (i << 1) + GetBit(getBytes);
    return upper | (i & 0x3F);
}

// ---------------------------------------------------------------------------
// Runs

void TLZH::LZHPack(int32_t& written, const TLZHGetBytes& getBytes, const TLZHPutBytes& putBytes)
{
    InitLZH();
    // Pending block output is settled on success only; after a failure the
    // destructor does it as far as it can.
    ScopeExit done{[this] { EndLZH(); }};
    Tables& t = *t_;
    NoteCallbacks(getBytes, putBytes);
    // Only actual 0 ends the input.
    const auto next = [this, &getBytes](uint8_t& c) {
        uint16_t actual = 0;
        if (ownSource_)
            GetBlockStream(&c, 1, actual);
        else
            getBytes(&c, 1, actual);
        return actual != 0;
    };

    textsize = 0;
    StartHuff();
    InitTree();
    int s = 0;
    int r = N - F;
    std::memset(t.text_buf, ' ', static_cast<size_t>(r));
    int len = 0;
    for (uint8_t c; len < F && next(c); len++)
        t.text_buf[r + len] = c;
    textsize = len;
    for (int i = 1; i <= F; i++)
        InsertNode(r - i);
    InsertNode(r);
    do {
        if (match_length > len) match_length = static_cast<int16_t>(len);
        if (match_length <= THRESHOLD) {
            match_length = 1;
            EncodeChar(putBytes, t.text_buf[r]);
        } else {
            EncodeChar(putBytes, static_cast<unsigned>(255 - THRESHOLD + match_length));
            EncodePosition(putBytes, static_cast<unsigned>(match_position));
        }
        const int last_match_length = match_length;
        int i = 0;
        for (uint8_t c; i < last_match_length && next(c); i++) {
            DeleteNode(s);
            t.text_buf[s] = c;
            // The mirror past the ring's end lets a 60-byte comparison run
            // without wrapping.
            if (s < F - 1) t.text_buf[s + N] = c;
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            InsertNode(r);
        }
        textsize += i;
        while (i++ < last_match_length) {
            DeleteNode(s);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len) InsertNode(r);
        }
    } while (len > 0);
    EncodeEnd(putBytes);
    written = textsize;
    SettleBlockStreams();
}

void TLZH::LZHUnpack(int32_t size, const TLZHGetBytes& getBytes, const TLZHPutBytes& putBytes)
{
    InitLZH();
    // Pending block output is settled on success only; after a failure the
    // destructor does it as far as it can.
    ScopeExit done{[this] { EndLZH(); }};
    Tables& t = *t_;
    NoteCallbacks(getBytes, putBytes);
    StartHuff();
    std::memset(t.text_buf, ' ', N - F);
    unpackEnd_ = TUnpackEnd{};
    destStart_ = ownSink_ && DestStream != nullptr ? DestStream->GetPosition() : -1;
    int r = N - F;
    int32_t count = 0;
    while (count < size) {
        const int c = DecodeChar(getBytes);
        if (c < 256) {
            EmitByte(putBytes, static_cast<uint8_t>(c));
            t.text_buf[r] = static_cast<uint8_t>(c);
            r = (r + 1) & (N - 1);
            count++;
        } else {
            const int start = (r - DecodePosition(getBytes) - 1) & (N - 1);
            const int length = c - 255 + THRESHOLD;
            // The copy may overlap its own output, so it goes byte by byte;
            // it stops at size so that a stream whose size prefix was edited
            // still yields exactly that many bytes.
            for (int k = 0; k < length && count < size; k++) {
                const uint8_t b = t.text_buf[(start + k) & (N - 1)];
                EmitByte(putBytes, b);
                t.text_buf[r] = b;
                r = (r + 1) & (N - 1);
                count++;
            }
        }
    }
    SettleBlockStreams();
}

// ---------------------------------------------------------------------------
// Block stream callbacks

void TLZH::GetBlockStream(void* buffer, uint16_t count, uint16_t& actual)
{
    if (count == 1 && inPos_ < inEnd_) {
        *static_cast<uint8_t*>(buffer) = inBlock_[inPos_++];
        actual = 1;
        return;
    }
    GetBlockStreamSlow(static_cast<uint8_t*>(buffer), count, actual);
}

void TLZH::GetBlockStreamSlow(uint8_t* buffer, uint16_t count, uint16_t& actual)
{
    uint16_t done = 0;
    while (done < count) {
        if (inPos_ == inEnd_) {
            if (SourceStream == nullptr) break;
            inBlock_.resize(kBlockSize);
            inPos_ = 0;
            inEnd_ =
                static_cast<size_t>(std::max<int64_t>(0, SourceStream->Read(inBlock_.data(), kBlockSize)));
            if (inEnd_ == 0) break;
        }
        const size_t n = std::min<size_t>(count - done, inEnd_ - inPos_);
        std::memcpy(buffer + done, inBlock_.data() + inPos_, n);
        inPos_ += n;
        done = static_cast<uint16_t>(done + n);
    }
    actual = done;
}

void TLZH::PutBlockStream(const void* buffer, uint16_t count, uint16_t& actual)
{
    if (outLen_ + count > outBlock_.size()) {
        FlushDest();
        if (outBlock_.size() < std::max<size_t>(kBlockSize, count))
            outBlock_.resize(std::max<size_t>(kBlockSize, count));
    }
    if (count == 1)
        outBlock_[outLen_] = *static_cast<const uint8_t*>(buffer);
    else
        std::memcpy(outBlock_.data() + outLen_, buffer, count);
    outLen_ += count;
    actual = count;
}

void TLZH::FlushDest()
{
    if (outLen_ == 0) return;
    const size_t n = outLen_;
    outLen_ = 0;
    if (DestStream == nullptr) throw EWriteError("Stream write error");
    DestStream->WriteBuffer(outBlock_.data(), static_cast<int64_t>(n));
}

void TLZH::SettleBlockStreams()
{
    if (inPos_ < inEnd_ && SourceStream != nullptr)
        SourceStream->Seek(-static_cast<int64_t>(inEnd_ - inPos_), soCurrent);
    inPos_ = inEnd_ = 0;
    FlushDest();
}

// ---------------------------------------------------------------------------
// Packed streams

void Compress(TStream& source, TStream& dest)
{
    source.SetPosition(0);
    dest.SetPosition(0);
    const int64_t size = source.GetSize();
    if (size > INT32_MAX) throw ElzhException("LZH : Stream too large to pack");
    TLZH lzh;
    lzh.SourceStream = &source;
    lzh.DestStream = &dest;
    dest.WriteInt32(static_cast<int32_t>(size));
    int32_t written = 0;
    lzh.LZHPack(written, lzh.BlockSource(), lzh.BlockSink());
}

void Decompress(TStream& source, TStream& dest)
{
    TUnpackEnd end;
    Decompress(source, dest, end);
}

void Decompress(TStream& source, TStream& dest, TUnpackEnd& end)
{
    source.SetPosition(0);
    dest.SetPosition(0);
    const int64_t packedBytes = source.GetSize() - 4;
    if (packedBytes < 0) throw ElzhException("LZH : Corrupt packed stream: no size prefix");
    const int32_t size = source.ReadInt32();
    // The size is trusted to drive the decoder even past the end of its bits,
    // so a size no input of this length could encode is refused up front.
    if (size > packedBytes * kMaxExpansion + kSizeAllowance)
        throw ElzhException("LZH : Corrupt packed stream: unpacked size " + IntToStr(size) +
                            " is more than " + IntToStr(packedBytes) + " packed bytes can hold");
    TLZH lzh;
    lzh.SourceStream = &source;
    lzh.DestStream = &dest;
    lzh.LZHUnpack(size, lzh.BlockSource(), lzh.BlockSink());
    end = lzh.UnpackEnd();
}
